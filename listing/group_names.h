#pragma once
// The quick look at a block of a listing: the file names of its groups and
// its CDS count, as a names-only ListingReader would find them, read in one
// scan of the line feeds without a reader's line by line bookkeeping.

#include "listing/parse_location.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct GroupNames {
  std::vector<std::pair<std::string, int64_t>> runs;  // each run of groups of one file: its name, its groups
  int64_t groups = 0;    // groups read, a refused one the last
  int64_t count = 0;     // lines holding "#CDS=", as countCdsLines
  int64_t refused = -1;  // index of the refused group; -1 when none is
  Problem problem{};     // what is wrong with it
};

// False, with nothing read, when `bytes` hold a NUL byte. `widestLanes`
// false scans in the lanes every CPU has, as a CPU without wider ones does.
bool readGroupNames(std::string_view bytes, GroupNames& names, bool widestLanes = true);
