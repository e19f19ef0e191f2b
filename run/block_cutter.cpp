#include "run/block_cutter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

constexpr size_t GROUP_LINES = 5;

// Where the block may end: just after the line feed that closes the last
// whole group, counting lines from the block's start; 0 when no group closes.
size_t lastCut(std::string_view block) {
  const size_t feeds = countLineFeeds(block);
  if (feeds < GROUP_LINES) return 0;
  // Walk back from the end over the line feeds past the closing one.
  size_t feedsAfter = feeds % GROUP_LINES;
  size_t at = block.size();
  for (;;) {
    const void* lf = memrchr(block.data(), '\n', at);
    at = static_cast<size_t>(static_cast<const char*>(lf) - block.data());
    if (feedsAfter-- == 0) return at + 1;
  }
}

}  // namespace

size_t countLineFeeds(std::string_view bytes) {
  // Eight bytes at a time: a byte of x is 0 exactly where a line feed stands,
  // and the sum below sets the top bit of every byte of x that is not 0; the
  // product adds up the bytes' flags in its top byte.
  constexpr uint64_t FEEDS = 0x0a0a0a0a0a0a0a0aULL, LOW7 = 0x7f7f7f7f7f7f7f7fULL, ONES = 0x0101010101010101ULL;
  size_t count = 0, k = 0;
  for (; k + 8 <= bytes.size(); k += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + k, 8);
    const uint64_t x = word ^ FEEDS;
    const uint64_t nonzero = ((x & LOW7) + LOW7) | x;
    count += static_cast<size_t>(((~nonzero & ~LOW7) >> 7) * ONES >> 56);
  }
  for (; k < bytes.size(); ++k) count += bytes[k] == '\n';
  return count;
}

bool BlockCutter::next(std::string& block) {
  block.swap(carry_);
  carry_.clear();
  for (;;) {
    if (!ended_) {
      // Room for a block, or twice what is held when one group is longer:
      // a long group costs its length, not its length squared.
      const size_t had = block.size(), want = std::max(blockSize_, had);
      block.resize(had + want);
      ptrdiff_t n = 0;
      size_t got = 0;
      while (got < want && (n = bytes_.read(block.data() + had + got, want - got)) > 0) got += static_cast<size_t>(n);
      block.resize(had + got);
      if (n < 0) {
        failed_ = ended_ = true;
        return false;
      }
      ended_ = got < want;
    }
    if (ended_) return !block.empty();
    const size_t cut = lastCut(block);
    if (cut > 0) {
      carry_.assign(block, cut);
      block.resize(cut);
      return true;
    }
  }
}
