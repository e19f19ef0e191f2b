#pragma once
// What the lookup table says of each gene, and what more the neighbour
// columns and the summaries ask of it.

#include "analysis/gene_entry.h"
#include "analysis/neighbours.h"
#include "cds/cds_store.h"

#include <vector>

struct GeneAnalysis {
  std::vector<GeneEntry> genes;
  std::vector<Neighbours> neighbours;  // one per entry of genes; empty for Sides::SPACES
};

// One entry per gene of the store, in the order of the genes' first listings,
// and the sides `sides` asks for (see neighbours.h). The store must hold every
// CDS of each source file it holds: the values of a gene depend on all CDSs
// of its file.
//
// Spaces: 0 when the CDSs abut, -1 when they overlap, NO_NEIGHBOUR_SPACE when
// there is none or it is at least that far; every listing of a neighbouring
// gene counts, and every contig is taken as linear. A listing matches a known
// segment list when each of its own segments equals the list's segment at the
// same place, a list reading as (0, 0) past its own segments; a listing that
// matches none of the gene's lists so far is an alternative. A CDS with no
// complete segment is nobody's neighbour and adds nothing to its gene's span
// (0 and 0 when no listing of the gene has a segment).
GeneAnalysis analyseGenes(const CdsStore& store, Sides sides = Sides::SPACES);
