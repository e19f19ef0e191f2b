#include "listing/cds_record.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

const char* parseLocation(std::string_view line, CdsRecord& record) {
  constexpr size_t LOCATION_START = 5;  // just after "#CDS="
  if (line.size() <= LOCATION_START) return nullptr;
  std::string_view location = line.substr(LOCATION_START);
  int j = 0;
  bool expectEnd = false;
  size_t cursor = 0;
  while (cursor < location.size()) {
    char c = location[cursor];
    if (!isDigit(c)) {
      if (c == '<') record.partialLeft = 1;
      if (c == '>') record.partialRight = 1;
      ++cursor;
      continue;
    }
    int64_t value = 0;
    for (; cursor < location.size() && isDigit(location[cursor]); ++cursor) {
      value = value * 10 + (location[cursor] - '0');
      if (value > MAX_POSITION) return "HAS A POSITION ABOVE 2147483647";
    }
    if (expectEnd) {
      record.segments[j].end = static_cast<int32_t>(value);
      expectEnd = false;
      ++j;
      record.nSegments = j;
      continue;
    }
    if (j == MAX_SEGMENTS) return "HAS MORE THAN 500 SEGMENTS";
    record.segments[j].start = static_cast<int32_t>(value);
    char next = cursor < location.size() ? location[cursor] : ')';
    if (next == ',' || next == ')' || next == '\n') {
      record.segments[j].end = record.segments[j].start;
      ++j;
      record.nSegments = j;
    } else {
      expectEnd = true;
    }
  }
  return nullptr;
}
