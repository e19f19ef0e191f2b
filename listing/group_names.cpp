#include "listing/group_names.h"

#include "io/byte_lanes.h"
#include "io/line_feeds.h"
#include "listing/listing_lines.h"
#include "listing/listing_reader.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t GROUP_LINES = 5;

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
template <class Lanes>
[[gnu::always_inline]] inline bool firstTwoLines(const char* p, size_t left, int64_t& count, size_t& start) {
  static_assert(64 - 5 - 1 <= NAME_START + MAX_NAME_LENGTH, "a gene line this short is within the limit");
  if (left < 64 + 4 || !keyAt(p)) return false;
  const uint64_t feeds = Lanes::match64(p, '\n');
  const uint64_t second = feeds & (feeds - 1);
  if (second == 0) return false;
  const int end1 = __builtin_ctzll(feeds), end2 = __builtin_ctzll(second);
  // The gene line's every '#' is checked for the key; mostly it has one, its first byte.
  uint64_t heads = Lanes::match64(p, '#') & ~((uint64_t{2} << end1) - 1) & ((uint64_t{1} << end2) - 1);
  for (; heads != 0; heads &= heads - 1)
    if (keyAt(p + __builtin_ctzll(heads))) {
      ++count;
      break;
    }
  ++count;
  start += static_cast<size_t>(end2) + 1;
  return true;
}

// A group's last three lines (file, contig, end), line feeds and all, and
// how many of them hold the key: a group whose tail is byte for byte the
// last group's says what that one said.
struct Tail {
  std::string_view bytes;
  int64_t keys = 0;
};

// Where a walk stands, held apart from the walk so that it stays in
// registers while the common groups are passed.
template <class Lanes>
struct Stride {
  const char* d;
  size_t end;
  size_t start;
  int64_t count;
  Tail tail;
  int64_t passed = 0;

  // Passes the group at `start` when it is the common one: its first two
  // lines end within 64 bytes and its tail is the last group's.
  [[gnu::always_inline]] bool pass() {
    size_t s = start;
    int64_t c = count;
    if (tail.bytes.empty() || !firstTwoLines<Lanes>(d + s, end - s, c, s)) return false;
    if (tail.bytes.size() > end - s || !Lanes::same(d + s, tail.bytes.data(), tail.bytes.size())) return false;
    start = s + tail.bytes.size();
    count = c + tail.keys;
    ++passed;
    return true;
  }
};

// The groups from `start` to `end`, a group boundary or the end of the
// block, line by line where they are not the common ones.
template <class Lanes>
class GroupWalk {
 public:
  GroupWalk(std::string_view bytes, size_t start, size_t end) : d_(bytes.data()), end_(end), start_(start) {}

  bool more() const { return start_ < end_ && !refused_; }
  bool refused() const { return refused_; }
  Problem problem() const { return problem_; }
  int64_t groups() const { return groups_; }
  int64_t count() const { return count_; }
  std::vector<std::pair<std::string, int64_t>>& runs() { return runs_; }

  Stride<Lanes> stride() const { return {d_, end_, start_, count_, tail_}; }
  void settle(const Stride<Lanes>& stride) {
    start_ = stride.start;
    count_ = stride.count;
    groups_ += stride.passed;
    if (stride.passed > 0) runs_.back().second += stride.passed;
  }

  // One group, line by line; a refused one ends the walk.
  [[gnu::noinline]] void step() {
    if (!more()) return;
    ++groups_;
    if (!firstTwoLines<Lanes>(d_ + start_, end_ - start_, count_, start_)) {
      nextLine();
      if (!takeName(nextLine(), nullptr)) return refuse(Problem::GENE_NAME_TOO_LONG);
    }
    if (!tail_.bytes.empty() && tail_.bytes.size() <= end_ - start_ &&
        Lanes::same(d_ + start_, tail_.bytes.data(), tail_.bytes.size())) {
      start_ += tail_.bytes.size();
      count_ += tail_.keys;
      ++runs_.back().second;
      return;
    }
    const size_t tailStart = start_;
    const int64_t countBefore = count_;
    const std::string_view fileLine = nextLine();
    const std::string_view file = fileLine.size() > NAME_START ? fileLine.substr(NAME_START) : std::string_view();
    if (file.size() > MAX_NAME_LENGTH) return refuse(Problem::FILE_NAME_TOO_LONG);
    int32_t contig;
    if (!takeContig(nextLine(), contig)) return refuse(Problem::CONTIG_TOO_LARGE);
    nextLine();
    tail_ = {std::string_view(d_ + tailStart, start_ - tailStart), count_ - countBefore};  // cut short only at the end
    if (runs_.empty() || lastFile_.size() != file.size() || !sameBytes(lastFile_.data(), file.data(), file.size()))
      runs_.emplace_back(file, 0);
    ++runs_.back().second;
    lastFile_ = file;
  }

  // The walk's groups to its end, alone.
  void finish() {
    while (more()) {
      Stride<Lanes> s = stride();
      while (s.pass()) {
      }
      settle(s);
      step();
    }
  }

 private:
  // The next line, past the end empty.
  std::string_view nextLine() {
    if (start_ >= end_) return std::string_view();
    bool key = false;
    const size_t end = lineEnd(d_, end_, start_, key);
    count_ += key;
    std::string_view line(d_ + start_, end - start_);
    start_ = std::min(end + 1, end_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }
  void refuse(Problem problem) {
    refused_ = true;
    problem_ = problem;
  }

  const char* d_;
  size_t end_;
  size_t start_;  // of the next line
  int64_t groups_ = 0;
  int64_t count_ = 0;
  std::vector<std::pair<std::string, int64_t>> runs_;
  Tail tail_;
  std::string_view lastFile_;
  bool refused_ = false;
  Problem problem_{};
};

// The last group boundary at or before the middle of `bytes`; 0 when none.
size_t middleGroupBoundary(std::string_view bytes) {
  const size_t half = bytes.size() / 2;
  const size_t feeds = countLineFeeds(bytes.substr(0, half));
  if (feeds < GROUP_LINES) return 0;
  size_t at = half;
  for (size_t back = feeds % GROUP_LINES + 1; back > 0; --back)
    at = static_cast<size_t>(static_cast<const char*>(memrchr(bytes.data(), '\n', at)) - bytes.data());
  return at + 1;
}

// Two walks, over the block's halves, side by side: each group's start
// waits on the last one's line ends, and two such chains overlap.
template <class Lanes>
[[gnu::always_inline]] inline bool walkGroupNames(std::string_view bytes, GroupNames& names) {
  if (!bytes.empty() && std::memchr(bytes.data(), '\0', bytes.size()) != nullptr) return false;
  const size_t middle = middleGroupBoundary(bytes);
  GroupWalk<Lanes> first(bytes, 0, middle), second(bytes, middle, bytes.size());
  while (first.more() && second.more()) {
    Stride<Lanes> a = first.stride(), b = second.stride();
    bool passedA = true, passedB = true;
    while (passedA && passedB) {
      passedA = a.pass();
      passedB = b.pass();
    }
    first.settle(a);
    second.settle(b);
    if (!passedA) first.step();
    if (!passedB) second.step();
  }
  first.finish();
  if (!first.refused()) second.finish();
  names.runs = std::move(first.runs());
  names.groups = first.groups();
  const GroupWalk<Lanes>* refused = first.refused() ? &first : nullptr;
  if (refused == nullptr) {
    names.groups += second.groups();
    for (auto& run : second.runs())
      if (!names.runs.empty() && names.runs.back().first == run.first)
        names.runs.back().second += run.second;
      else
        names.runs.push_back(std::move(run));
    if (second.refused()) refused = &second;
  }
  if (refused != nullptr) {
    names.refused = names.groups - 1;
    names.problem = refused->problem();
    names.count = countCdsLines(bytes);
  } else {
    names.count = first.count() + second.count();
  }
  return true;
}

#if defined(__x86_64__)
[[gnu::target("avx2"), gnu::flatten]] bool readGroupNamesAvx2(std::string_view bytes, GroupNames& names) {
  return walkGroupNames<Avx2Lanes>(bytes, names);
}
#endif

}  // namespace

bool readGroupNames(std::string_view bytes, GroupNames& names, bool widestLanes) {
#if defined(__x86_64__)
  if (widestLanes && wideLanesRun()) return readGroupNamesAvx2(bytes, names);
#else
  (void)widestLanes;
#endif
  return walkGroupNames<PortableLanes>(bytes, names);
}
