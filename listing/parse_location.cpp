#include "listing/parse_location.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool hasDigit(std::string_view text) {
  for (char c : text)
    if (isDigit(c)) return true;
  return false;
}

}  // namespace

bool parseLocation(std::string_view line, ParsedCds& cds, Problem& problem) {
  constexpr size_t LOCATION_START = 5;  // just after "#CDS="
  std::string_view location = line.size() > LOCATION_START ? line.substr(LOCATION_START) : std::string_view();
  bool expectEnd = false;
  bool dropRest = false;  // a start past the last segment the CDS may hold, never to be closed
  int32_t start = 0;
  for (size_t cursor = 0; cursor < location.size();) {
    char c = location[cursor];
    if (!isDigit(c)) {
      if (c == '<') cds.flags |= PARTIAL_LEFT;
      if (c == '>') cds.flags |= PARTIAL_RIGHT;
      ++cursor;
      continue;
    }
    int64_t value = 0;
    for (; cursor < location.size() && isDigit(location[cursor]); ++cursor) {
      value = value * 10 + (location[cursor] - '0');
      if (value > MAX_NUMBER) {
        problem = Problem::POSITION_TOO_LARGE;
        return false;
      }
    }
    if (expectEnd) {
      cds.segments.push_back({start, static_cast<int32_t>(value)});
      expectEnd = false;
      continue;
    }
    start = static_cast<int32_t>(value);
    bool single = cursor == location.size() || location[cursor] == ',' || location[cursor] == ')';
    if (cds.segments.size() == MAX_SEGMENTS && !dropRest) {
      // A start that no later number closes never reaches the table.
      if (single || hasDigit(location.substr(cursor))) {
        problem = Problem::TOO_MANY_SEGMENTS;
        return false;
      }
      dropRest = true;
      continue;
    }
    if (single) cds.segments.push_back({start, start});
    else expectEnd = true;
  }
  return true;
}
