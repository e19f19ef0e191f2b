#include "lookup/file_summary.h"

#include <algorithm>
#include <cstddef>
#include <unordered_map>

namespace {

// What a file's summary needs while the store is gone through, dropped once
// it is summed up.
struct Gathered {
  size_t summary;               // index in the summaries
  std::vector<int32_t> contigs;  // each contig once per run of CDSs on it
  std::vector<int32_t> gaps;     // after-spaces that have a neighbour
};

// Finds the file of a CDS among those of the store, starting a summary for a
// file not seen before. The last file asked for is kept at hand, since a
// file's CDSs and genes mostly stand together.
class FileIndex {
 public:
  FileIndex(const CdsStore& store, std::vector<FileSummary>& summaries) : store_(store), summaries_(summaries) {}

  // Valid until the next call, which may add a file.
  Gathered& find(uint32_t file) {
    if (gathered_.empty() || file != lastFile_) {
      auto [at, isNew] = byName_.try_emplace(file, gathered_.size());
      if (isNew) {
        gathered_.push_back({summaries_.size(), {}, {}});
        summaries_.push_back({});
        summaries_.back().file = store_.names.name(file);
      }
      lastFile_ = file;
      last_ = at->second;
    }
    return gathered_[last_];
  }
  std::vector<Gathered>& gathered() { return gathered_; }

 private:
  const CdsStore& store_;
  std::vector<FileSummary>& summaries_;
  std::vector<Gathered> gathered_;
  std::unordered_map<uint32_t, size_t> byName_;  // file name number to index in gathered_
  uint32_t lastFile_ = 0;
  size_t last_ = 0;  // its index in gathered_
};

// Nearest rank: the values at 1-based positions ceil(n/4), ceil(n/2) and
// ceil(3n/4) of the sorted values. Each selection leaves the larger values
// behind its position, so the next one need only look there.
void setQuantiles(std::vector<int32_t>& gaps, FileSummary& summary) {
  const size_t n = gaps.size();
  summary.nGaps = static_cast<int64_t>(n);
  if (n == 0) return;
  int32_t* quantiles[] = {&summary.gapQ1, &summary.gapMedian, &summary.gapQ3};
  auto from = gaps.begin();
  for (size_t q = 1; q <= 3; ++q) {
    auto at = gaps.begin() + static_cast<std::ptrdiff_t>((q * n + 3) / 4 - 1);
    std::nth_element(from, at, gaps.end());
    *quantiles[q - 1] = *at;
    from = at;
  }
}

size_t countDistinct(std::vector<int32_t>& values) {
  std::sort(values.begin(), values.end());
  return static_cast<size_t>(std::unique(values.begin(), values.end()) - values.begin());
}

}  // namespace

int gapBin(int32_t afterSpace) {
  const auto bin = std::lower_bound(GAP_BIN_BOUNDS.begin(), GAP_BIN_BOUNDS.end(), afterSpace);
  return bin == GAP_BIN_BOUNDS.end() ? N_GAP_BINS - 1 : static_cast<int>(bin - GAP_BIN_BOUNDS.begin());
}

int strandGapBin(const Neighbour& nextSameStrand) {
  if (!nextSameStrand.found) return N_STRAND_GAP_BINS - 1;
  const auto bin = std::lower_bound(STRAND_GAP_BIN_BOUNDS.begin(), STRAND_GAP_BIN_BOUNDS.end(), nextSameStrand.gap);
  return static_cast<int>(bin - STRAND_GAP_BIN_BOUNDS.begin());  // past the bounds: >500
}

void summariseFiles(const CdsStore& store, const std::vector<GeneEntry>& genes,
                    const std::vector<Neighbours>& neighbours, std::vector<FileSummary>& summaries) {
  FileIndex files(store, summaries);
  for (const Cds& c : store.cds) {
    Gathered& g = files.find(c.file);
    FileSummary& s = summaries[g.summary];
    ++s.cds;
    if (c.flags & (PARTIAL_LEFT | PARTIAL_RIGHT)) ++s.partialCds;
    if (c.nSegments == 0) ++s.cdsWithoutSegments;
    if (g.contigs.empty() || g.contigs.back() != c.contig) g.contigs.push_back(c.contig);
  }
  for (size_t k = 0; k < genes.size(); ++k) {
    const GeneEntry& e = genes[k];
    Gathered& g = files.find(store.cds[e.cds].file);
    FileSummary& s = summaries[g.summary];
    ++s.genes;
    if (e.nListings > 1) ++s.multiListed;
    if (e.nAlt > 0) ++s.withAlternatives;
    const bool overlapping = e.beforeSpace == -1 || e.afterSpace == -1;
    if (overlapping) ++s.overlappingGenes;
    else if (e.beforeSpace == 0 || e.afterSpace == 0) ++s.abuttingGenes;
    if (e.beforeSpace == NO_NEIGHBOUR_SPACE && e.afterSpace == NO_NEIGHBOUR_SPACE) ++s.isolatedGenes;
    ++s.gapBins[static_cast<size_t>(gapBin(e.afterSpace))];
    ++s.strandGapBins[static_cast<size_t>(strandGapBin(neighbours[k].nextSameStrand))];
    if (e.afterSpace >= 0 && e.afterSpace < NO_NEIGHBOUR_SPACE) g.gaps.push_back(e.afterSpace);
  }
  for (Gathered& g : files.gathered()) {
    FileSummary& s = summaries[g.summary];
    s.contigs = static_cast<int64_t>(countDistinct(g.contigs));
    setQuantiles(g.gaps, s);
  }
}
