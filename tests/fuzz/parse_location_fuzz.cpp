// libFuzzer target: any bytes as one "#CDS=" line, prefix included.

#include "listing/parse_location.h"

#undef NDEBUG
#include <cassert>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  ParsedCds cds;
  Problem problem{};
  const bool accepted = parseLocation(line, cds, problem);
  assert(cds.segments.size() <= MAX_SEGMENTS);
  for (const Segment& s : cds.segments) assert(s.start >= 0 && s.end >= 0);
  assert((cds.flags & ~(PARTIAL_LEFT | PARTIAL_RIGHT)) == 0);
  assert(accepted || problem == Problem::POSITION_TOO_LARGE || problem == Problem::TOO_MANY_SEGMENTS);
  // A location read to its end has set each mark's flag exactly when the mark is there.
  const std::string_view location = line.substr(std::min<size_t>(5, size));
  assert(!accepted || ((cds.flags & PARTIAL_LEFT) != 0) == (location.find('<') != std::string_view::npos));
  assert(!accepted || ((cds.flags & PARTIAL_RIGHT) != 0) == (location.find('>') != std::string_view::npos));
  return 0;
}
