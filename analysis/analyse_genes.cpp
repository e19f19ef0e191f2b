#include "analysis/analyse_genes.h"
#include "analysis/alternatives.h"

#include <algorithm>

GeneAnalysis analyseGenes(const CdsStore& store, Sides sides) {
  const size_t n = store.cds.size();
  std::vector<Key> keys(n);
  for (size_t i = 0; i < n; ++i) keys[i] = {store.cds[i].file, static_cast<uint32_t>(store.cds[i].contig)};
  const Numbering places = numberKeys(keys);
  for (size_t i = 0; i < n; ++i)
    keys[i] = {uint64_t{store.cds[i].gene} << 32 | store.cds[i].file, static_cast<uint32_t>(store.cds[i].contig)};
  const Numbering genes = numberKeys(keys);
  keys = {};

  // Genes are numbered in order of first appearance, so gene order is the
  // order of first listings, and each gene's first member is its first listing.
  GeneAnalysis analysis;
  {
    const Groups byGene = groupByKey(genes);
    analysis.genes.resize(genes.count);
    for (uint32_t g = 0; g < genes.count; ++g) {
      const uint32_t* members = byGene.members.data() + byGene.first[g];
      const uint32_t count = byGene.first[g + 1] - byGene.first[g];
      GeneEntry& e = analysis.genes[g];
      e.cds = members[0];
      e.nListings = static_cast<int32_t>(count);
      e.nAlt = countAlternatives(store, members, count);
      int32_t first = INT32_MAX, last = -1;  // last stays -1 when no listing has a segment
      for (uint32_t k = 0; k < count; ++k) {
        const Cds& c = store.cds[members[k]];
        if (c.nSegments == 0) continue;
        first = std::min(first, firstPosition(store, c));
        last = std::max(last, lastPosition(store, c));
      }
      e.altCDSFirst = last >= 0 ? first : 0;
      e.altCDSLast = last >= 0 ? last : 0;
    }
  }
  analysis.neighbours = findSides(store, places, analysis.genes, sides);
  return analysis;
}
