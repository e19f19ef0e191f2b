#include "io/line_feeds.h"

#include "io/byte_lanes.h"

#include <cstdint>
#include <cstring>

size_t countLineFeeds(std::string_view bytes) {
  // Sixty-four bytes at a time in the compiler's portable vectors: each lane
  // of `lanes` counts its line feeds up to 255, then they are added up.
  const char* p = bytes.data();
  size_t n = bytes.size();
  size_t count = 0;
  const ByteLanes feeds = ByteLanes{} + static_cast<unsigned char>('\n');
  while (n >= 64) {
    ByteLanes lanes{};  // up to 4 a round, 63 rounds: at most 252
    for (int round = 0; round < 63 && n >= 64; ++round, p += 64, n -= 64) {
      const auto a = loadLanes(p) == feeds, b = loadLanes(p + 16) == feeds, c = loadLanes(p + 32) == feeds, d = loadLanes(p + 48) == feeds;
      lanes -= reinterpret_cast<ByteLanes>((a + b) + (c + d));  // a match is all ones: -1
    }
    for (int k = 0; k < 16; ++k) count += lanes[k];
  }
  ByteLanes lanes{};  // fewer than 4 rounds of 16
  for (; n >= 16; p += 16, n -= 16) lanes -= reinterpret_cast<ByteLanes>(loadLanes(p) == feeds);
  for (int k = 0; k < 16; ++k) count += lanes[k];
  for (; n > 0; ++p, --n) count += *p == '\n';
  return count;
}
