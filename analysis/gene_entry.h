#pragma once
// What the lookup table says of each gene, and of its neighbours: a gene is
// one gene name on one contig of one source file, names compared byte for
// byte.

#include <cstdint>
#include <type_traits>

// Distance, in bases, that stands for "no neighbouring gene": also the cap on
// every reported space.
constexpr int32_t NO_NEIGHBOUR_SPACE = 10000000;

struct GeneEntry {
  uint32_t cds;         // the gene's first listing, an index in the store
  int32_t nListings;    // CDSs of the store that list the gene
  int32_t nAlt;         // distinct segment lists beyond the first listing's
  int32_t beforeSpace;  // gap to the nearest CDS of another gene starting before the first listing
  int32_t afterSpace;   // gap to the nearest CDS of another gene ending after it
  int32_t altCDSFirst;  // lowest first position over the gene's listings
  int32_t altCDSLast;   // highest last position over the gene's listings
};

// Plain data, so that a value-initialised vector of them is zeroed at once:
// zero is "no neighbour".
struct Neighbour {
  bool found;     // false: no neighbour (both columns empty)
  uint32_t gene;  // its gene name's number in store.names (an unnamed neighbour has the empty name)
  int64_t gap;    // signed, no cap: bases between, 0 abutting, negative overlapping
};

struct Neighbours {
  bool complement;                           // strand: '-' for a complement location
  Neighbour before, after;                   // nearest CDS of another gene on each side, by position
  Neighbour prevSameStrand, nextSameStrand;  // adjacent written entries of the same place and strand
};
static_assert(std::is_trivial_v<Neighbours>);
