#pragma once
// The location of a "#CDS=" line.

#include "cds/cds_store.h"

#include <string_view>

// Parses the location of a "#CDS=" line, everything from index 5 on, into
// `cds.segments` and the partial flags of `cds.flags`.
// Every run of decimal digits is a number. A start pairs with the next number
// wherever it stands, unless ',' or ')' or the end of the line follows it,
// which makes it a single position (start == end). '<' and '>' set the
// partial flags wherever they stand; every other character is skipped. A
// start left without its end is dropped.
// Refuses (returns false and sets `problem`) a number above MAX_NUMBER or a
// segment beyond MAX_SEGMENTS; what is parsed up to there is kept.
bool parseLocation(std::string_view line, ParsedCds& cds, Problem& problem);
