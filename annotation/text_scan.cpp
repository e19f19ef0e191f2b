#include "annotation/text_scan.h"

#include <cstring>

int64_t countLineFeeds(std::string_view bytes) {
  // Sixteen bytes at a time in the compiler's portable vectors: each lane of
  // `lanes` counts its line feeds up to 255, then they are added up.
  typedef unsigned char Bytes __attribute__((vector_size(16)));
  const char* p = bytes.data();
  size_t n = bytes.size();
  int64_t count = 0;
  const Bytes feeds = Bytes{} + static_cast<unsigned char>('\n');
  while (n >= 16) {
    Bytes lanes{};
    for (int round = 0; round < 255 && n >= 16; ++round, p += 16, n -= 16) {
      Bytes chunk;
      std::memcpy(&chunk, p, 16);
      lanes -= reinterpret_cast<Bytes>(chunk == feeds);  // a match is all ones: -1
    }
    for (int k = 0; k < 16; ++k) count += lanes[k];
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
