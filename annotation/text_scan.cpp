#include "annotation/text_scan.h"

#include "io/byte_lanes.h"

#include <cstring>

namespace {

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
  const ByteLanes feeds = ByteLanes{} + static_cast<unsigned char>('\n'), slashes = ByteLanes{} + static_cast<unsigned char>('/');
  size_t e = end;  // places below e are left to look at
  for (; e > 16; e -= 16) {
    const size_t b = e - 16;
    if (!anyLane((loadLanes(d + b) == slashes) & (loadLanes(d + b - 1) == feeds))) continue;
    for (size_t p = e; p-- > b;)
      if (startsRecordEnd(text, p)) return p;
  }
  for (size_t p = e; p-- > 0;)
    if (startsRecordEnd(text, p)) return p;
  return std::string_view::npos;
}
