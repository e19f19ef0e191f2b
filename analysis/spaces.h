#pragma once
// Each CDS's space to the nearest CDS of another gene in its place (file and
// contig), on each side.

#include "analysis/key_numbering.h"
#include "cds/cds_store.h"

#include <cstdint>
#include <vector>

// Fills both vectors with one space per CDS of the store.
void measureSpaces(const CdsStore& store, const Numbering& genes, const Numbering& places,
                   std::vector<int32_t>& beforeSpace, std::vector<int32_t>& afterSpace);
