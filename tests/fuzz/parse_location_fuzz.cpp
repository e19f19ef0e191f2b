// libFuzzer target: any bytes as one "#CDS=" line must leave a record that the
// analyses can trust, or be refused with a known problem.
//
// The bytes are the whole line, prefix included: after a header line the
// reader hands parseLocation lines that never started with "#CDS=".

#include "listing/cds_record.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

// An abort gives libFuzzer a crash with the reason on stderr.
void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "parse_location invariant broken: %s\n", what);
  std::abort();
}

bool isFlag(int32_t v) { return v == 0 || v == 1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  // On the heap and exactly one record long, so that AddressSanitizer sees
  // any write past the record; fields inside it are checked below.
  auto record = std::make_unique<CdsRecord>();
  std::memset(record.get(), 0, sizeof(CdsRecord));

  const char* problem = parseLocation(line, *record);

  // Refused or not, the count must stay within the table, and segments[500]
  // would overwrite the fields that follow: those the parser does not own
  // must still read zero.
  require(record->nSegments >= 0 && record->nSegments <= MAX_SEGMENTS, "nSegments out of 0..500");
  require(isFlag(record->partialLeft) && isFlag(record->partialRight), "partial flag not 0 or 1");
  require(record->isComplement == 0 && record->contig == 0 && record->gene[0] == '\0' &&
              record->file[0] == '\0' && record->beforeSpace == 0 && record->isFirstListing == 0,
          "a field the parser does not own was written");

  if (problem != nullptr) {
    require(std::strcmp(problem, "HAS A POSITION ABOVE 2147483647") == 0 ||
                std::strcmp(problem, "HAS MORE THAN 500 SEGMENTS") == 0,
            "unknown problem text");
    return 0;
  }
  for (int32_t s = 0; s < record->nSegments; ++s) {
    const Segment& seg = record->segments[s];
    require(seg.start >= 0 && seg.start <= MAX_POSITION && seg.end >= 0 && seg.end <= MAX_POSITION,
            "position out of 0..2147483647");
  }
  // An accepted location was read to its end, so each mark anywhere in it
  // must have set its flag, and nothing else may have.
  std::string_view location = size > 5 ? line.substr(5) : std::string_view();
  require(record->partialLeft == (location.find('<') != std::string_view::npos ? 1 : 0), "partialLeft");
  require(record->partialRight == (location.find('>') != std::string_view::npos ? 1 : 0), "partialRight");
  return 0;
}
