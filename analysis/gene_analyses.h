#pragma once
// Gene analyses over the record table: spacing to neighbouring genes and the
// grouping of repeated listings.

#include <cstdint>

// Distance, in bases, that stands for "no neighbouring gene": also the cap on
// every reported space.
constexpr int32_t NO_NEIGHBOUR_SPACE = 10000000;

// Sets beforeSpace, afterSpace, altCDSFirst and altCDSLast of every record.
void calculateGeneSpacing();
// Sets isFirstListing, nListings and nAlt of every record.
void findMultipleListings();
