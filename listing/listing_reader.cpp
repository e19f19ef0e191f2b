#include "listing/listing_reader.h"

#include "io/byte_lanes.h"
#include "listing/listing_lines.h"

#include <algorithm>
#include <cstring>

namespace {

// Most lines are short ("#gene=thrA"), where a plain loop beats a library
// search and its calls.
bool holdsCdsKey(std::string_view line) {
  constexpr std::string_view KEY = "#CDS=";
  if (line.size() > 64) return line.find(KEY) != std::string_view::npos;
  for (size_t k = 0; k + KEY.size() <= line.size(); ++k)
    if (line[k] == '#' && line.substr(k, KEY.size()) == KEY) return true;
  return false;
}

// Bytes scanned 64 at a time for the lines that hold "#CDS=": a '#' with an
// '=' four places on stands almost only at the key, and is checked. A line
// counts once, and only when the key lies before a NUL byte, which ends a
// line's value.
class KeyScan {
 public:
  explicit KeyScan(std::string_view bytes)
      : bytes_(bytes), anyNul_(!bytes.empty() && std::memchr(bytes.data(), '\0', bytes.size()) != nullptr) {}
  int64_t count() const { return count_; }

  // Counts the CDS lines that the 64 bytes from `base` on end or hold.
  // Called for each 64 in turn.
  void scan(size_t base) {
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
  }

 private:
  bool isKey(size_t at) const {
    const char* const d = bytes_.data();
    if (!keyAt(d + at)) return false;
    if (!anyNul_) return true;
    const size_t before = at == 0 ? std::string_view::npos : bytes_.rfind('\n', at - 1);
    const size_t lineStart = before == std::string_view::npos ? 0 : before + 1;
    return std::memchr(d + lineStart, '\0', at + 5 - lineStart) == nullptr;
  }

  std::string_view bytes_;
  bool anyNul_;
  int64_t count_ = 0;
  bool counted_ = false;  // the line reached holds a key already
};

}  // namespace

int64_t countCdsLines(std::string_view bytes) {
  KeyScan keys(bytes);
  for (size_t base = 0; base < bytes.size(); base += 64) keys.scan(base);
  return keys.count();
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
