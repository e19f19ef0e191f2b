#include "annotation/flat_file.h"

#include "annotation/record_line.h"
#include "annotation/text_scan.h"
#include "io/line_feeds.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t NPOS = std::string_view::npos;
// Column 22, where qualifiers and continued locations start; a feature key
// may stand anywhere before it.
constexpr size_t CONTINUATION_COLUMN = 21;

// Space, tab, CR, VT, FF; most bytes fail the first test.
bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' ' && (c == ' ' || (c >= '\t' && c <= '\r' && c != '\n')); }

std::string_view trimLeft(std::string_view s) {
  size_t k = 0;
  while (k < s.size() && isBlank(s[k])) ++k;
  return s.substr(k);
}

std::string_view trimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && isBlank(s[n - 1])) --n;
  return s.substr(0, n);
}

std::string_view trim(std::string_view s) { return trimRight(trimLeft(s)); }

bool opens(std::string_view line, std::string_view word) {
  return line.starts_with(word) && (line.size() == word.size() || isBlank(line[word.size()]));
}

// A qualifier's name as the message shows it: only when it is a plain word.
std::string closingQuoteMessage(std::string_view name) {
  bool plain = !name.empty() && name.size() <= 40;
  for (char c : name)
    plain = plain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-');
  return plain ? "qualifier /" + std::string(name) + " has no closing quote" : "qualifier has no closing quote";
}

struct Line {
  size_t start;  // first byte
  size_t end;    // its line feed, or the text's end
  size_t next;   // the next line's first byte, or the text's end
};

// What a continuation line adds to.
enum class Item { NONE, LOCATION, GENE, LOCUS_TAG };

struct Feature {
  bool open = false;
  bool isCds = false;
  AnnotatedCds cds;
  bool geneSeen = false;
  bool locusTagSeen = false;
  std::string locusTag;
  Item item = Item::NONE;
};

class FlatParser {
 public:
  FlatParser(std::string_view text, FlatFormat format, FlatFileBlock& out) : text_(text), format_(format), out_(out) {}

  void run() {
    size_t pos = 0;
    while (pos < text_.size()) {
      const Line line = lineAt(pos);
      pos = opensRecord(view(line)) ? parseRecord(line) : line.next;
      if (!out_.error.message.empty()) break;
    }
    out_.lines = lineNumber(text_.size()) - 1;
  }

 private:
  std::string_view text_;
  FlatFormat format_;
  FlatFileBlock& out_;
  size_t countedTo_ = 0;    // line feeds are counted up to here...
  int64_t countedLines_ = 0;  // ...and there are this many before it

  // Line numbers are counted lazily, in one pass over the text however far
  // the parser jumps.
  int64_t lineNumber(size_t at) {
    if (at >= countedTo_)
      countedLines_ += static_cast<int64_t>(countLineFeeds(text_.substr(countedTo_, at - countedTo_)));
    else
      countedLines_ -= static_cast<int64_t>(countLineFeeds(text_.substr(at, countedTo_ - at)));
    countedTo_ = at;
    return countedLines_ + 1;
  }

  Line lineAt(size_t start) const {
    const void* feed = std::memchr(text_.data() + start, '\n', text_.size() - start);
    if (!feed) return {start, text_.size(), text_.size()};
    const size_t end = static_cast<size_t>(static_cast<const char*>(feed) - text_.data());
    return {start, end, end + 1};
  }

  std::string_view continuationPrefix() const {
    return format_ == FlatFormat::GENBANK ? "                     " : "FT                   ";
  }

  std::string_view view(const Line& line) const { return text_.substr(line.start, line.end - line.start); }

  bool opensRecord(std::string_view line) const {
    return format_ == FlatFormat::GENBANK ? isLocusLine(line) : isEmblIdLine(line);
  }

  void fail(int64_t line, std::string message) {
    out_.error.line = line;
    out_.error.message = std::move(message);
  }

  // Reads the record whose opening line is `first`; returns where the text
  // goes on after its "//" line. On a problem sets out_.error.
  size_t parseRecord(const Line& first) {
    const size_t cdsBefore = out_.cds.size();
    out_.records.push_back(format_ == FlatFormat::GENBANK ? parseLocusLine(view(first)) : parseEmblIdLine(view(first)));
    const auto noEnd = [&] {
      fail(lineNumber(first.start), "record has no // line");
      out_.records.pop_back();
      out_.cds.resize(cdsBefore);
      return text_.size();
    };
    Feature feature;
    bool inFeatures = false;
    size_t pos = first.next;
    while (pos < text_.size()) {
      const Line line = lineAt(pos);
      const std::string_view v = view(line);
      pos = line.next;
      const bool featureLine = format_ == FlatFormat::GENBANK ? inFeatures && !v.empty() && isBlank(v[0])
                                                              : v.starts_with("FT") && (v.size() == 2 || isBlank(v[2]));
      if (featureLine) {
        pos = readFeatureLine(line, feature);
        if (!out_.error.message.empty()) return text_.size();
        continue;
      }
      if (v.starts_with("//")) {
        finish(feature);
        return line.next;
      }
      if (opensRecord(v)) return noEnd();
      if (trim(v).empty() || (format_ == FlatFormat::GENBANK && isBlank(v[0]))) continue;  // header lines
      finish(feature);
      if (format_ == FlatFormat::GENBANK) inFeatures = opens(v, "FEATURES");
      if (opens(v, format_ == FlatFormat::GENBANK ? "ORIGIN" : "SQ")) {
        pos = findRecordEndLine(text_, line.next);
        if (pos == NPOS) return noEnd();
      }
    }
    return noEnd();
  }

  // One line of the feature table; returns where the next line starts (past
  // a quoted value's lines).
  size_t readFeatureLine(const Line& line, Feature& feature) {
    const std::string_view v = view(line);
    // Most lines of a feature table are qualifiers, after this very prefix.
    size_t k = v.starts_with(continuationPrefix()) ? CONTINUATION_COLUMN : format_ == FlatFormat::EMBL ? 2 : 0;
    while (k < v.size() && isBlank(v[k])) ++k;
    if (k == v.size()) return line.next;
    if (v[k] == '/') return readQualifier(line, k, feature);
    if (k >= CONTINUATION_COLUMN) {
      const std::string_view piece = trimRight(v.substr(k));
      if (feature.item == Item::LOCATION) feature.cds.location += piece;
      if (feature.item == Item::GENE) appendWord(feature.cds.gene, piece);
      if (feature.item == Item::LOCUS_TAG) appendWord(feature.locusTag, piece);
      return line.next;
    }
    finish(feature);
    size_t keyEnd = k;
    while (keyEnd < v.size() && !isBlank(v[keyEnd])) ++keyEnd;
    feature.open = true;
    feature.isCds = v.substr(k, keyEnd - k) == "CDS";
    if (feature.isCds) {
      feature.cds.location = trim(v.substr(keyEnd));
      feature.cds.line = lineNumber(line.start);
      feature.cds.contig = static_cast<int64_t>(out_.records.size());
      feature.item = Item::LOCATION;
    }
    return line.next;
  }

  static void appendWord(std::string& value, std::string_view piece) {
    if (!value.empty() && !piece.empty()) value += ' ';
    value += piece;
  }

  size_t readQualifier(const Line& line, size_t slash, Feature& feature) {
    const std::string_view v = view(line);
    const size_t nameEnd = std::min(v.find('=', slash + 1), v.size());
    const std::string_view name = trimRight(v.substr(slash + 1, nameEnd - slash - 1));
    feature.item = Item::NONE;
    std::string* target = nullptr;
    if (feature.isCds && name == "gene" && !feature.geneSeen) {
      feature.geneSeen = true;
      target = &feature.cds.gene;
      feature.item = Item::GENE;
    } else if (feature.isCds && name == "locus_tag" && !feature.locusTagSeen) {
      feature.locusTagSeen = true;
      target = &feature.locusTag;
      feature.item = Item::LOCUS_TAG;
    }
    if (nameEnd == v.size() || v[nameEnd] != '=') {
      feature.item = Item::NONE;
      return line.next;
    }
    size_t valueStart = nameEnd + 1;
    while (valueStart < v.size() && isBlank(v[valueStart])) ++valueStart;
    if (valueStart == v.size() || v[valueStart] != '"') {
      if (target) *target = trimRight(v.substr(valueStart));
      return line.next;
    }
    feature.item = Item::NONE;
    const size_t open = line.start + valueStart;
    const size_t close = closingQuote(open, line.end);
    if (close != NPOS) {
      if (target) *target = unquote(text_.substr(open + 1, close - open - 1));
      return line.next;
    }
    const size_t farClose = closingQuote(open, text_.size());
    if (farClose == NPOS || spansRecordEnd(text_, open, farClose)) {
      fail(lineNumber(line.start), closingQuoteMessage(name));
      return text_.size();
    }
    if (target) *target = quotedValue(open, farClose);
    return lineAt(farClose).next;
  }

  // The quote before `end` that closes the value opened at `open`: the
  // first one not doubled; NPOS when there is none.
  size_t closingQuote(size_t open, size_t end) const {
    size_t at = open + 1;
    while (at < end) {
      const void* hit = std::memchr(text_.data() + at, '"', end - at);
      if (!hit) return NPOS;
      const size_t quote = static_cast<size_t>(static_cast<const char*>(hit) - text_.data());
      if (quote + 1 >= text_.size() || text_[quote + 1] != '"') return quote;
      at = quote + 2;
    }
    return NPOS;
  }

  // The value between the quotes: its lines trimmed where they meet a line
  // break and joined with one space, then each "" made ".
  std::string quotedValue(size_t open, size_t close) const {
    const std::string_view inner = text_.substr(open + 1, close - open - 1);
    std::string joined;
    size_t at = 0;
    for (bool firstLine = true;; firstLine = false) {
      const size_t feed = inner.find('\n', at);
      std::string_view piece = inner.substr(at, feed == NPOS ? NPOS : feed - at);
      if (!firstLine) {
        if (format_ == FlatFormat::EMBL && piece.starts_with("FT")) piece.remove_prefix(2);
        piece = trimLeft(piece);
      }
      if (feed != NPOS) piece = trimRight(piece);
      appendWord(joined, piece);
      if (feed == NPOS) break;
      at = feed + 1;
    }
    return unquote(joined);
  }

  // Each "" made ": only doubled quotes lie inside a value.
  static std::string unquote(std::string_view inner) {
    std::string value;
    value.reserve(inner.size());
    for (size_t k = 0; k < inner.size(); ++k) {
      value += inner[k];
      if (inner[k] == '"') ++k;
    }
    return value;
  }

  void finish(Feature& feature) {
    if (feature.open && feature.isCds) {
      if (feature.cds.gene.empty()) feature.cds.gene = std::move(feature.locusTag);
      out_.cds.push_back(std::move(feature.cds));
    }
    feature = Feature{};
  }
};

}  // namespace

bool looksLikeFlatFile(std::string_view head, FlatFormat format) {
  size_t at = 0;
  while (at < head.size()) {
    const size_t feed = head.find('\n', at);
    const std::string_view line = head.substr(at, feed == NPOS ? NPOS : feed - at);
    if (!trim(line).empty()) {
      if (format == FlatFormat::EMBL) return isEmblIdLine(line);
      if (isLocusLine(line)) return true;
      // A release file's header, then its first record.
      return line.find("Genetic Sequence Data Bank") != NPOS && head.find("\nLOCUS ", at) != NPOS;
    }
    if (feed == NPOS) break;
    at = feed + 1;
  }
  return false;
}

size_t cutAfterLastRecord(std::string_view bytes) {
  // A "//" line still waiting for its line feed is no cut yet.
  for (size_t end = bytes.size();;) {
    const size_t start = findLastRecordEndLine(bytes, end);
    if (start == NPOS) return 0;
    const size_t feed = bytes.find('\n', start);
    if (feed != NPOS) return feed + 1;
    end = start;
  }
}

void parseFlatFile(std::string_view text, FlatFormat format, FlatFileBlock& out) {
  // Cleared rather than replaced: a caller that parses block after block
  // into the same `out` keeps its vectors' room.
  out.cds.clear();
  out.records.clear();
  out.lines = 0;
  out.error = AnnotationError{};
  FlatParser(text, format, out).run();
}
