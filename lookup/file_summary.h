#pragma once
// Figures per source file for a quality report: how many CDSs and genes it
// has, and how far apart its genes lie.

#include "analysis/gene_entry.h"
#include "cds/cds_store.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The genes' after-spaces are counted in these bins, each up to and
// including its bound: overlap (-1), abutting (0), 1-20, ..., >5000 (up to
// NO_NEIGHBOUR_SPACE - 1) and none (NO_NEIGHBOUR_SPACE).
constexpr int N_GAP_BINS = 11;
constexpr std::array<int32_t, N_GAP_BINS> GAP_BIN_BOUNDS = {
    -1, 0, 20, 50, 100, 200, 500, 1000, 5000, NO_NEIGHBOUR_SPACE - 1, NO_NEIGHBOUR_SPACE};
constexpr std::array<const char*, N_GAP_BINS> GAP_BIN_LABELS = {
    "overlap", "abutting", "1-20", "21-50", "51-100", "101-200", "201-500", "501-1000", "1001-5000", ">5000", "none"};

// Bin of an after-space, from 0; a space outside -1..NO_NEIGHBOUR_SPACE goes
// to the nearest end.
int gapBin(int32_t afterSpace);

// The genes' gaps to the next entry on the same strand are counted in these
// bins, each up to and including its bound, then >500 and none (no next
// entry on the strand).
constexpr int N_STRAND_GAP_BINS = 9;
constexpr std::array<int64_t, N_STRAND_GAP_BINS - 2> STRAND_GAP_BIN_BOUNDS = {-5, -1, 20, 50, 100, 200, 500};
constexpr std::array<const char*, N_STRAND_GAP_BINS> STRAND_GAP_BIN_LABELS = {
    "overlap >4", "overlap 1-4", "0-20", "21-50", "51-100", "101-200", "201-500", ">500", "none"};

// Bin of a gene's next entry on its strand, from 0.
int strandGapBin(const Neighbour& nextSameStrand);

struct FileSummary {
  std::string file;              // source file name as listed
  int64_t contigs = 0;           // distinct contig numbers of its CDSs
  int64_t cds = 0;               // its CDSs
  int64_t genes = 0;             // its table entries
  int64_t multiListed = 0;       // genes listed more than once
  int64_t withAlternatives = 0;  // genes with an alternative CDS
  int64_t partialCds = 0;        // CDSs with a '<' or '>'
  int64_t cdsWithoutSegments = 0;
  int64_t overlappingGenes = 0;  // genes with a space of -1 on either side
  int64_t abuttingGenes = 0;     // a space of 0 on either side, none of -1
  int64_t isolatedGenes = 0;     // no neighbour on either side
  int64_t nGaps = 0;             // after-spaces from 0 to NO_NEIGHBOUR_SPACE - 1; the quantiles below
  int32_t gapQ1 = 0;             // are taken over them by nearest rank, and are 0 when there are none
  int32_t gapMedian = 0;
  int32_t gapQ3 = 0;
  std::array<int64_t, N_GAP_BINS> gapBins{};  // genes by after-space, bins as GAP_BIN_BOUNDS
  std::array<int64_t, N_STRAND_GAP_BINS> strandGapBins{};  // genes by gap to the next entry on their strand
};

// Appends one summary per source file of the store, in order of the files'
// first CDSs; `genes` and `neighbours` are analyseGenes(store, at least
// Sides::SAME_STRAND). Every CDS of a file must be in the store, as
// analyseGenes needs anyway, so a file is summarised once.
void summariseFiles(const CdsStore& store, const std::vector<GeneEntry>& genes,
                    const std::vector<Neighbours>& neighbours, std::vector<FileSummary>& summaries);
