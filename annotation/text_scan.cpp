#include "annotation/text_scan.h"

#include <bit>
#include <cstring>

int64_t countLineFeeds(std::string_view bytes) {
  // Eight bytes at a time: a byte of x is zero exactly where a line feed
  // stood, and the carry-free test below marks only those bytes.
  constexpr uint64_t ONES = 0x0101010101010101u, LOW7 = 0x7f7f7f7f7f7f7f7fu;
  const char* p = bytes.data();
  size_t n = bytes.size();
  int64_t count = 0;
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    const uint64_t x = word ^ (ONES * '\n');
    const uint64_t zeroBytes = ~(((x & LOW7) + LOW7) | x | LOW7);
    count += std::popcount(zeroBytes);
  }
  for (; n > 0; ++p, --n) count += *p == '\n';
  return count;
}

size_t findRecordEndLine(std::string_view text, size_t from) {
  // Sequence holds no '/', so memchr crosses it in one call.
  const char* const base = text.data();
  size_t at = from;
  while (at < text.size()) {
    const void* hit = std::memchr(base + at, '/', text.size() - at);
    if (!hit) return std::string_view::npos;
    const size_t p = static_cast<size_t>(static_cast<const char*>(hit) - base);
    if ((p == 0 || base[p - 1] == '\n') && p + 1 < text.size() && base[p + 1] == '/') return p;
    at = p + 1;
  }
  return std::string_view::npos;
}

bool spansRecordEnd(std::string_view text, size_t from, size_t to) {
  return findRecordEndLine(text.substr(0, to), from + 1) != std::string_view::npos;
}
