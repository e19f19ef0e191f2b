#pragma once
// Each entry's sides: the table's capped spaces, and beside them what operon
// and synteny work asks: which gene lies nearest on each side and how far,
// signed and uncapped, and which entries stand next to it on its own strand.
// On a circular contig of known length the neighbours run on around the
// origin; the spaces do not.

#include "analysis/gene_entry.h"
#include "analysis/key_numbering.h"
#include "cds/cds_store.h"

#include <span>
#include <vector>

enum class Sides {
  SPACES,       // the spaces alone
  SAME_STRAND,  // and prevSameStrand and nextSameStrand, as the summaries need
  ALL,          // and before and after: the neighbour columns
};

// Sets each entry's beforeSpace and afterSpace, and returns one Neighbours per
// entry (none for Sides::SPACES) with what `sides` asks for. "This" is the
// entry's CDS, its gene's first listing; `places` numbers each CDS by its
// place, a file and contig number.
//
// before: of the CDSs of other genes in the place that start before this one
// (any listing of them), the one whose last position is highest, gap
// first(this) - last(that) - 1; after: of those that end after it, the one
// whose first position is lowest, gap first(that) - last(this) - 1; on a tie
// the CDS listed first. A space is that gap raised to -1, or
// NO_NEIGHBOUR_SPACE when there is none or it is at least that far.
// prevSameStrand, nextSameStrand: the entries of the place and strand ordered
// by first position (ties in listing order), gaps measured the same way.
//
// For the neighbours, a place whose first listed CDS with a segment lies on a
// circular contig of known length LEN (1 to 2^60 bases; a longer one is taken
// as unknown) is unrolled: a CDS whose last position is below its first
// crosses the origin and covers first..last+LEN, and every other CDS also
// stands shifted by -LEN (for before) and +LEN (for after); the first entry of
// a strand follows the last one, when the strand has two entries or more.
// Elsewhere, and for the spaces everywhere, positions are taken as written.
//
// A CDS without a complete segment is nobody's neighbour and has none.
// O(n log n) in the store's CDSs whatever their shape, and near O(n) for CDSs
// listed mostly in order of position.
std::vector<Neighbours> findSides(const CdsStore& store, const Numbering& places, std::span<GeneEntry> genes,
                                  Sides sides);
