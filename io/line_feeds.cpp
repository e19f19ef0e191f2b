#include "io/line_feeds.h"

#include <cstdint>
#include <cstring>

namespace {

typedef unsigned char Bytes __attribute__((vector_size(16)));

Bytes load(const char* p) {
  Bytes bytes;
  std::memcpy(&bytes, p, 16);
  return bytes;
}

}  // namespace

size_t countLineFeeds(std::string_view bytes) {
  // Sixty-four bytes at a time in the compiler's portable vectors: each lane
  // of `lanes` counts its line feeds up to 255, then they are added up.
  const char* p = bytes.data();
  size_t n = bytes.size();
  size_t count = 0;
  const Bytes feeds = Bytes{} + static_cast<unsigned char>('\n');
  while (n >= 64) {
    Bytes lanes{};  // up to 4 a round, 63 rounds: at most 252
    for (int round = 0; round < 63 && n >= 64; ++round, p += 64, n -= 64) {
      const auto a = load(p) == feeds, b = load(p + 16) == feeds, c = load(p + 32) == feeds, d = load(p + 48) == feeds;
      lanes -= reinterpret_cast<Bytes>((a + b) + (c + d));  // a match is all ones: -1
    }
    for (int k = 0; k < 16; ++k) count += lanes[k];
  }
  Bytes lanes{};  // fewer than 4 rounds of 16
  for (; n >= 16; p += 16, n -= 16) lanes -= reinterpret_cast<Bytes>(load(p) == feeds);
  for (int k = 0; k < 16; ++k) count += lanes[k];
  for (; n > 0; ++p, --n) count += *p == '\n';
  return count;
}
