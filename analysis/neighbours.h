#pragma once
// Beside the table's capped spaces, what operon and synteny work asks of each
// entry: which gene lies nearest on each side and how far, signed and uncapped,
// and which entries stand next to it on its own strand. On a circular contig
// of known length the sides run on around the origin.

#include "analysis/analyse_genes.h"
#include "cds/cds_store.h"

#include <cstdint>
#include <span>
#include <vector>

struct Neighbour {
  bool found = false;  // false: no neighbour (both columns empty)
  uint32_t gene = 0;   // its gene name's number in store.names (an unnamed neighbour has the empty name)
  int64_t gap = 0;     // signed, no cap: bases between, 0 abutting, negative overlapping
};

struct Neighbours {
  bool complement = false;                   // strand: '-' for a complement location
  Neighbour before, after;                   // nearest CDS of another gene on each side, by position
  Neighbour prevSameStrand, nextSameStrand;  // adjacent written entries of the same place and strand
};

// One per entry of `genes` (analyseGenes(store)), in the same order. "This"
// is the entry's CDS, its gene's first listing; a place is a file and contig
// number, as for the spaces.
//
// before: of the CDSs of other genes in the place that start before this one
// (any listing of them), the one whose last position is highest, gap
// first(this) - last(that) - 1; after: of those that end after it, the one
// whose first position is lowest, gap first(that) - last(this) - 1; on a tie
// the CDS listed first. prevSameStrand, nextSameStrand: the entries of the
// place and strand ordered by first position (ties in listing order), gaps
// measured the same way.
//
// A place whose first listed CDS with a segment lies on a circular contig of
// known length LEN (1 to 2^60 bases; a longer one is taken as unknown) is
// unrolled: a CDS whose last position is below its first crosses the origin
// and covers first..last+LEN, and every other CDS also stands shifted by -LEN
// (for before) and +LEN (for after); the first entry of a strand follows the
// last one, when the strand has two entries or more. Elsewhere positions are
// taken as written.
//
// A CDS without a complete segment is nobody's neighbour and has none.
// O(n log n) in the store's CDSs, whatever their shape.
// `sameStrandOnly` leaves before and after unfound, at a fraction of the
// cost: what the summary's same-strand gaps need.
std::vector<Neighbours> findNeighbours(const CdsStore& store, std::span<const GeneEntry> genes,
                                       bool sameStrandOnly = false);
