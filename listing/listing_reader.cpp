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

int64_t countCdsLines(std::string_view bytes) {
  // Sixteen places at a time: the line feeds, and each '#' with an '=' four
  // places on, a pair that stands almost only at the key. A line counts
  // once, and only when the key lies before a NUL byte, which ends a line's
  // value.
  constexpr std::string_view KEY = "#CDS=";
  const char* const d = bytes.data();
  const size_t n = bytes.size();
  uint32_t keyHead;  // "#CDS" as one word: a call to memcmp costs more than the compare
  std::memcpy(&keyHead, KEY.data(), 4);
  const bool anyNul = std::memchr(d, '\0', n) != nullptr;
  auto isKey = [&](size_t at) {
    uint32_t head;
    std::memcpy(&head, d + at, 4);
    if (head != keyHead || d[at + 4] != '=') return false;
    if (!anyNul) return true;
    const size_t before = at == 0 ? std::string_view::npos : bytes.rfind('\n', at - 1);
    const size_t lineStart = before == std::string_view::npos ? 0 : before + 1;
    return std::memchr(d + lineStart, '\0', at + KEY.size() - lineStart) == nullptr;
  };
  const ByteLanes feed = allLanes('\n'), hash = allLanes('#'), equals = allLanes('=');
  int64_t count = 0;
  bool counted = false;  // the line reached holds a key already
  size_t base = 0;
  for (; base + 4 + 64 <= n; base += 64) {
    uint64_t feeds = 0, keys = 0;
    for (int k = 0; k < 4; ++k) {
      const ByteLanes here = loadLanes(d + base + 16 * k);
      feeds |= uint64_t{laneBits(here == feed)} << (16 * k);
      keys |= uint64_t{laneBits((here == hash) & (loadLanes(d + base + 16 * k + 4) == equals))} << (16 * k);
    }
    for (; keys != 0; keys &= keys - 1) {
      const uint64_t before = (keys & -keys) - 1;
      if ((feeds & before) != 0) counted = false;
      feeds &= ~before;
      if (!counted && isKey(base + static_cast<size_t>(__builtin_ctzll(keys)))) {
        ++count;
        counted = true;
      }
    }
    if (feeds != 0) counted = false;
  }
  for (; base < n; ++base) {
    if (d[base] == '\n') {
      counted = false;
    } else if (!counted && base + KEY.size() <= n && isKey(base)) {
      ++count;
      counted = true;
    }
  }
  return count;
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
