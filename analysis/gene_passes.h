#pragma once
// The two passes behind analyseGenes, for the analysis folder's own use.

#include "analysis/key_numbering.h"
#include "listing/cds_store.h"

#include <cstdint>
#include <vector>

// Each CDS's space to the nearest CDS of another gene in its place, on each side.
void measureSpaces(const CdsStore& store, const Numbering& genes, const Numbering& places,
                   std::vector<int32_t>& beforeSpace, std::vector<int32_t>& afterSpace);

// The number of alternatives of a gene whose listings are `members`, in index order.
int32_t countAlternatives(const CdsStore& store, const uint32_t* members, uint32_t count);
