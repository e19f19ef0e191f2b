#include "listing/listing_reader.h"

#include "io/byte_lanes.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t NAME_START = 6;    // just after "#gene=" and "#file="
constexpr size_t CONTIG_START = 8;  // just after "#contig="

// `name` null: the name is only checked against the limit.
bool takeName(std::string_view line, std::string* name) {
  std::string_view value = line.size() > NAME_START ? line.substr(NAME_START) : std::string_view();
  if (value.size() > MAX_NAME_LENGTH) return false;
  if (name != nullptr) name->assign(value);
  return true;
}

bool takeContig(std::string_view line, int32_t& contig) {
  int64_t value = 0;
  for (size_t k = CONTIG_START; k < line.size() && line[k] >= '0' && line[k] <= '9'; ++k) {
    value = value * 10 + (line[k] - '0');
    if (value > MAX_NUMBER) return false;
  }
  contig = static_cast<int32_t>(value);
  return true;
}

// Most lines are short ("#gene=thrA"), where a plain loop beats a library
// search and its calls.
bool holdsCdsKey(std::string_view line) {
  constexpr std::string_view KEY = "#CDS=";
  if (line.size() > 64) return line.find(KEY) != std::string_view::npos;
  for (size_t k = 0; k + KEY.size() <= line.size(); ++k)
    if (line[k] == '#' && line.substr(k, KEY.size()) == KEY) return true;
  return false;
}

}  // namespace

namespace {

// Bytes scanned 64 at a time for their line feeds and the lines that hold
// "#CDS=": a '#' with an '=' four places on stands almost only at the key,
// and is checked. A line counts once, and only when the key lies before a
// NUL byte, which ends a line's value.
class KeyScan {
 public:
  explicit KeyScan(std::string_view bytes)
      : bytes_(bytes), anyNul_(!bytes.empty() && std::memchr(bytes.data(), '\0', bytes.size()) != nullptr) {
    std::memcpy(&keyHead_, "#CDS", 4);
  }
  bool anyNul() const { return anyNul_; }
  int64_t count() const { return count_; }

  // The line feeds of the 64 bytes from `base` on, as bits (none past the
  // end); counts the CDS lines they end or hold. Called for each 64 in turn.
  uint64_t scan(size_t base) {
    const char* const d = bytes_.data();
    const size_t n = bytes_.size();
    uint64_t feeds = 0, keys = 0;
    if (base + 4 + 64 <= n) {
      feeds = matchBits64(d + base, '\n');
      keys = matchBits64(d + base, '#') & matchBits64(d + base + 4, '=');
    } else {
      for (size_t k = 0; base + k < n && k < 64; ++k) {
        feeds |= uint64_t{d[base + k] == '\n'} << k;
        keys |= uint64_t{base + k + 5 <= n && d[base + k] == '#' && d[base + k + 4] == '='} << k;
      }
    }
    uint64_t ahead = feeds;  // those not yet passed
    for (; keys != 0; keys &= keys - 1) {
      const uint64_t before = (keys & -keys) - 1;
      if ((ahead & before) != 0) counted_ = false;
      ahead &= ~before;
      if (!counted_ && isKey(base + static_cast<size_t>(__builtin_ctzll(keys)))) {
        ++count_;
        counted_ = true;
      }
    }
    if (ahead != 0) counted_ = false;
    return feeds;
  }

 private:
  bool isKey(size_t at) const {
    const char* const d = bytes_.data();
    uint32_t head;  // "#CDS" as one word: a call to memcmp costs more than the compare
    std::memcpy(&head, d + at, 4);
    if (head != keyHead_ || d[at + 4] != '=') return false;
    if (!anyNul_) return true;
    const size_t before = at == 0 ? std::string_view::npos : bytes_.rfind('\n', at - 1);
    const size_t lineStart = before == std::string_view::npos ? 0 : before + 1;
    return std::memchr(d + lineStart, '\0', at + 5 - lineStart) == nullptr;
  }

  std::string_view bytes_;
  bool anyNul_;
  uint32_t keyHead_;
  int64_t count_ = 0;
  bool counted_ = false;  // the line reached holds a key already
};

// A file's groups stand together, so its name is most often the last
// group's: compared a word at a time, without a call.
bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  size_t k = 0;
  for (uint64_t x, y; k + 8 <= a.size(); k += 8) {
    std::memcpy(&x, a.data() + k, 8);
    std::memcpy(&y, b.data() + k, 8);
    if (x != y) return false;
  }
  for (; k < a.size(); ++k)
    if (a[k] != b[k]) return false;
  return true;
}

}  // namespace

int64_t countCdsLines(std::string_view bytes) {
  KeyScan keys(bytes);
  for (size_t base = 0; base < bytes.size(); base += 64) keys.scan(base);
  return keys.count();
}

bool readGroupNames(std::string_view bytes, GroupNames& names) {
  const char* const d = bytes.data();
  const size_t n = bytes.size();
  KeyScan keys(bytes);
  if (keys.anyNul()) return false;
  // The line feeds of 64 bytes from `window` on, as bits, those passed
  // cleared; the CDS lines are counted on the way.
  uint64_t feeds = 0;
  size_t window = 0, scanned = 0;
  auto nextFeed = [&]() {  // where the next line ends: its line feed, or n
    while (feeds == 0) {
      if (scanned >= n) return n;
      window = scanned;
      feeds = keys.scan(window);
      scanned += 64;
    }
    const size_t at = window + static_cast<size_t>(__builtin_ctzll(feeds));
    feeds &= feeds - 1;
    return at;
  };
  size_t start = 0;  // of the next line; lines past the end read empty
  auto nextLine = [&]() {
    const size_t end = start < n ? nextFeed() : n;
    std::string_view line(d + start, end - start);
    start = std::min(end + 1, n);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  };
  auto refuse = [&](Problem problem) {
    names.refused = names.groups - 1;
    names.problem = problem;
    names.count = countCdsLines(bytes);
    return true;
  };
  std::string_view lastFile;  // the last group's, in `bytes`
  while (start < n) {
    ++names.groups;
    nextLine();
    if (!takeName(nextLine(), nullptr)) return refuse(Problem::GENE_NAME_TOO_LONG);
    const std::string_view fileLine = nextLine();
    const std::string_view file = fileLine.size() > NAME_START ? fileLine.substr(NAME_START) : std::string_view();
    if (file.size() > MAX_NAME_LENGTH) return refuse(Problem::FILE_NAME_TOO_LONG);
    int32_t contig;
    if (!takeContig(nextLine(), contig)) return refuse(Problem::CONTIG_TOO_LARGE);
    nextLine();
    if (names.runs.empty() || !sameName(lastFile, file)) names.runs.emplace_back(file, 0);
    ++names.runs.back().second;
    lastFile = file;
  }
  names.count = keys.count();  // the last line's end was the last 64 bytes' scan
  return true;
}

ListingReader::ListingReader(std::string_view bytes, bool padToCount, bool namesOnly)
    : lines_(bytes), count_(countCdsLines(bytes)), counted_(true), pad_(padToCount), namesOnly_(namesOnly) {}

// Inlined: five calls a CDS.
[[gnu::always_inline]] inline bool ListingReader::nextLine(std::string_view& line) {
  if (!ended_ && lines_.next(line)) {
    if (!counted_ && holdsCdsKey(line)) ++count_;
    return true;
  }
  ended_ = true;
  line = std::string_view();
  return false;
}

ListingReader::Status ListingReader::next(ParsedCds& cds, Problem& problem) {
  std::string_view line;
  bool any = nextLine(line);
  if (lines_.failed()) return READ_FAILED;
  if (!any && (!pad_ || groups_ >= count_)) return END;
  ++groups_;
  cds.segments.clear();
  cds.flags = 0;
  if (!namesOnly_) {
    cds.flags = line.find("complement") != std::string_view::npos ? COMPLEMENT : 0;
    if (!parseLocation(line, cds, problem)) return REFUSED;
  }
  nextLine(line);
  if (!takeName(line, namesOnly_ ? nullptr : &cds.gene)) {
    problem = Problem::GENE_NAME_TOO_LONG;
    return REFUSED;
  }
  nextLine(line);
  if (!takeName(line, &cds.file)) {
    problem = Problem::FILE_NAME_TOO_LONG;
    return REFUSED;
  }
  nextLine(line);
  if (!takeContig(line, cds.contig)) {
    problem = Problem::CONTIG_TOO_LARGE;
    return REFUSED;
  }
  nextLine(line);
  return lines_.failed() ? READ_FAILED : CDS_READ;
}

bool ListingReader::countToEnd() {
  if (counted_) return true;
  std::string_view line;
  while (nextLine(line)) {
  }
  return !lines_.failed();
}
