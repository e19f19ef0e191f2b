#include "annotation/text_scan.h"

#include <cstring>

namespace {

typedef unsigned char Bytes __attribute__((vector_size(16)));

Bytes load(const char* p) {
  Bytes bytes;
  std::memcpy(&bytes, p, 16);
  return bytes;
}

template <typename Vector>
bool anyLane(Vector lanes) {
  uint64_t halves[2];
  std::memcpy(halves, &lanes, 16);
  return (halves[0] | halves[1]) != 0;
}

bool startsRecordEnd(std::string_view text, size_t p) {
  return text[p] == '/' && p + 1 < text.size() && text[p + 1] == '/' && (p == 0 || text[p - 1] == '\n');
}

}  // namespace

int64_t countLineFeeds(std::string_view bytes) {
  // Sixty-four bytes at a time in the compiler's portable vectors: each lane
  // of `lanes` counts its line feeds up to 255, then they are added up.
  const char* p = bytes.data();
  size_t n = bytes.size();
  int64_t count = 0;
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

size_t findLastRecordEndLine(std::string_view text, size_t end) {
  // A line feed then '/', sixteen places at a time from the back: the '/'
  // of a qualifier follows a blank and costs nothing.
  const char* const d = text.data();
  const Bytes feeds = Bytes{} + static_cast<unsigned char>('\n'), slashes = Bytes{} + static_cast<unsigned char>('/');
  size_t e = end;  // places below e are left to look at
  for (; e > 16; e -= 16) {
    const size_t b = e - 16;
    if (!anyLane((load(d + b) == slashes) & (load(d + b - 1) == feeds))) continue;
    for (size_t p = e; p-- > b;)
      if (startsRecordEnd(text, p)) return p;
  }
  for (size_t p = e; p-- > 0;)
    if (startsRecordEnd(text, p)) return p;
  return std::string_view::npos;
}
