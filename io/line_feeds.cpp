#include "io/line_feeds.h"

#include "io/byte_lanes.h"

#include <cstring>

namespace {

typedef unsigned char WideLanes __attribute__((vector_size(32)));

// Sixty-four bytes a round in the compiler's portable vectors of 32, which
// a build for AVX2 runs as one instruction each and others as two: each
// lane counts its line feeds up to 254, then they are added up.
[[gnu::always_inline]] inline size_t countFeeds(const char* p, size_t n) {
  size_t count = 0;
  const WideLanes feeds = WideLanes{} + static_cast<unsigned char>('\n');
  while (n >= 64) {
    WideLanes lanes{};  // up to 2 a round, 127 rounds: at most 254
    for (int round = 0; round < 127 && n >= 64; ++round, p += 64, n -= 64) {
      WideLanes a, b;
      std::memcpy(&a, p, 32);
      std::memcpy(&b, p + 32, 32);
      lanes -= reinterpret_cast<WideLanes>((a == feeds) + (b == feeds));  // a match is all ones: -1
    }
    for (int k = 0; k < 32; ++k) count += lanes[k];
  }
  for (; n > 0; ++p, --n) count += *p == '\n';
  return count;
}

#if defined(__x86_64__)
[[gnu::target("avx2"), gnu::flatten]] size_t countFeedsAvx2(const char* p, size_t n) { return countFeeds(p, n); }
#endif

}  // namespace

size_t countLineFeeds(std::string_view bytes) {
#if defined(__x86_64__)
  if (wideLanesRun()) return countFeedsAvx2(bytes.data(), bytes.size());
#endif
  return countFeeds(bytes.data(), bytes.size());
}
