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

// "#CDS=" at `p`, five bytes that are there to read.
bool keyAt(const char* p) {
  uint32_t head, key;  // "#CDS" as one word: a call to memcmp costs more than the compare
  std::memcpy(&head, p, 4);
  std::memcpy(&key, "#CDS", 4);
  return head == key && p[4] == '=';
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

// Where the line from `s` ends, its line feed or n, sixteen bytes at a
// time; sets `key` when the line holds "#CDS=" (a block with a NUL byte in
// it is not read this way, so no NUL ends a line's value here).
[[gnu::always_inline]] inline size_t lineEnd(const char* d, size_t n, size_t s, bool& key) {
  size_t k = s;
  for (; k + 20 <= n; k += 16) {
    const ByteLanes lanes = loadLanes(d + k);
    const uint32_t feeds = laneBits(lanes == allLanes('\n'));
    if (!key) {  // a '#' with an '=' four places on, before the line feed, is checked
      uint32_t heads = laneBits(lanes == allLanes('#')) & laneBits(loadLanes(d + k + 4) == allLanes('='));
      if (feeds != 0) heads &= (feeds & -feeds) - 1;
      for (; heads != 0 && !key; heads &= heads - 1) key = keyAt(d + k + static_cast<size_t>(__builtin_ctz(heads)));
    }
    if (feeds != 0) return k + static_cast<size_t>(__builtin_ctz(feeds));
  }
  for (; k < n && d[k] != '\n'; ++k)
    if (!key && k + 5 <= n && keyAt(d + k)) key = true;
  return k;
}

// A group's first two lines when they are as most are: the first begins
// with the key, and both end within 64 bytes. Then counts their CDS lines,
// moves `start` past them, and is true; else false, with nothing done.
// `left`: the bytes from `p` on.
[[gnu::always_inline]] inline bool firstTwoLines(const char* p, size_t left, int64_t& count, size_t& start) {
  static_assert(64 - 5 - 1 <= NAME_START + MAX_NAME_LENGTH, "a gene line this short is within the limit");
  if (left < 64 + 4 || !keyAt(p)) return false;
  const uint64_t feeds = matchBits64(p, '\n');
  const uint64_t second = feeds & (feeds - 1);
  if (second == 0) return false;
  const int end1 = __builtin_ctzll(feeds), end2 = __builtin_ctzll(second);
  // The gene line's every '#' is checked for the key; mostly it has one, its first byte.
  uint64_t heads = matchBits64(p, '#') & ~((uint64_t{2} << end1) - 1) & ((uint64_t{1} << end2) - 1);
  for (; heads != 0; heads &= heads - 1)
    if (keyAt(p + __builtin_ctzll(heads))) {
      ++count;
      break;
    }
  ++count;
  start += static_cast<size_t>(end2) + 1;
  return true;
}

// Names and tails are mostly 16 bytes or more: compared 16 at a time, inline.
bool sameBytes(const char* a, const char* b, size_t length) {
  if (length < 16) return length == 0 || std::memcmp(a, b, length) == 0;
  for (size_t k = 0; k + 16 < length; k += 16)
    if (laneBits(loadLanes(a + k) != loadLanes(b + k)) != 0) return false;
  return laneBits(loadLanes(a + length - 16) != loadLanes(b + length - 16)) == 0;
}

}  // namespace

int64_t countCdsLines(std::string_view bytes) {
  KeyScan keys(bytes);
  for (size_t base = 0; base < bytes.size(); base += 64) keys.scan(base);
  return keys.count();
}

// Line by line from where each line starts, with two shortcuts for what a
// grouped listing mostly holds: a first line that begins with the key, and
// a group whose last three lines (file, contig, end) are byte for byte the
// last group's, which then say what they said there.
bool readGroupNames(std::string_view bytes, GroupNames& names) {
  const char* const d = bytes.data();
  const size_t n = bytes.size();
  if (n > 0 && std::memchr(d, '\0', n) != nullptr) return false;
  size_t start = 0;  // of the next line; lines past the end read empty
  int64_t count = 0;
  auto nextLine = [&]() {
    if (start >= n) return std::string_view();
    bool key = false;
    const size_t end = lineEnd(d, n, start, key);
    count += key;
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
  std::string_view tail;  // the last group's lines from its file name on, line feeds and all
  int64_t tailKeys = 0;   // lines among them holding the key
  std::string_view lastFile;
  while (start < n) {
    ++names.groups;
    if (!firstTwoLines(d + start, n - start, count, start)) {
      nextLine();
      if (!takeName(nextLine(), nullptr)) return refuse(Problem::GENE_NAME_TOO_LONG);
    }
    if (!tail.empty() && tail.size() <= n - start && sameBytes(d + start, tail.data(), tail.size())) {
      start += tail.size();
      count += tailKeys;
      ++names.runs.back().second;
      continue;
    }
    const size_t tailStart = start;
    const int64_t countBefore = count;
    const std::string_view fileLine = nextLine();
    const std::string_view file = fileLine.size() > NAME_START ? fileLine.substr(NAME_START) : std::string_view();
    if (file.size() > MAX_NAME_LENGTH) return refuse(Problem::FILE_NAME_TOO_LONG);
    int32_t contig;
    if (!takeContig(nextLine(), contig)) return refuse(Problem::CONTIG_TOO_LARGE);
    nextLine();
    tail = std::string_view(d + tailStart, start - tailStart);  // cut short only at the end, with no group after it
    tailKeys = count - countBefore;
    if (names.runs.empty() || lastFile.size() != file.size() || !sameBytes(lastFile.data(), file.data(), file.size()))
      names.runs.emplace_back(file, 0);
    ++names.runs.back().second;
    lastFile = file;
  }
  names.count = count;
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
