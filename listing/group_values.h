#pragma once
// The values of one five-line group, as an annotation's CDS gives them
// rather than as lines of a listing: read by the same rules, so that an
// annotation gives the table its listing would.

#include "cds/cds_store.h"

#include <cstdint>
#include <string_view>

// Fills `cds` from a location (what follows "#CDS="), a gene name, a source
// file name and a contig number, as the listing reader would from the
// group's lines; false with `problem` set when the CDS is beyond the
// capacities of cds_store.h.
bool readGroupValues(std::string_view location, std::string_view gene, std::string_view file, int64_t contig,
                     ParsedCds& cds, Problem& problem);
