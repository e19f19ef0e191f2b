#pragma once
// What the lookup table says of each gene: a gene is one gene name on one
// contig of one source file, names compared byte for byte.

#include "cds/cds_store.h"

#include <cstdint>
#include <vector>

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

// One entry per gene of the store, in the order of the genes' first listings.
// The store must hold every CDS of each source file it holds: the values of a
// gene depend on all CDSs of its file.
//
// Spaces: 0 when the CDSs abut, -1 when they overlap, NO_NEIGHBOUR_SPACE when
// there is none or it is at least that far; every listing of a neighbouring
// gene counts. A listing matches a known segment list when each of its own
// segments equals the list's segment at the same place, a list reading as
// (0, 0) past its own segments; a listing that matches none of the gene's
// lists so far is an alternative. A CDS with no complete segment is nobody's
// neighbour and adds nothing to its gene's span (0 and 0 when no listing of
// the gene has a segment).
std::vector<GeneEntry> analyseGenes(const CdsStore& store);
