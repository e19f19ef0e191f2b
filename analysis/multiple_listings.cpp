#include "analysis/gene_analyses.h"
#include "analysis/gene_keys.h"
#include "listing/cds_record.h"

#include <vector>

namespace {

// A later listing matches a stored variant when each of its own segments
// equals the variant's segment at the same place; past the variant's own
// segments the variant reads as (0, 0). A variant is kept as the index of the
// record it came from, so any number of them can be held.
bool matchesVariant(const CdsRecord& later, const CdsRecord& variant) {
  for (int32_t r = 0; r < later.nSegments; ++r) {
    Segment v = r < variant.nSegments ? variant.segments[r] : Segment{0, 0};
    if (later.segments[r].start != v.start || later.segments[r].end != v.end) return false;
  }
  return true;
}

}  // namespace

void findMultipleListings() {
  std::vector<int32_t> geneOf;
  const int32_t nGenes = numberGenes(geneOf);
  std::vector<int32_t> geneStart, byGene;
  groupByKey(geneOf, nGenes, geneStart, byGene);
  geneOf = {};

  std::vector<int32_t> variants;
  for (int32_t g = 0; g < nGenes; ++g) {
    // The group's records stand in index order, so the first is its first listing.
    CdsRecord& leader = records[byGene[geneStart[g]]];
    leader.isFirstListing = 1;
    leader.nListings = geneStart[g + 1] - geneStart[g];
    leader.nAlt = 0;
    variants.assign(1, byGene[geneStart[g]]);
    for (int32_t k = geneStart[g] + 1; k < geneStart[g + 1]; ++k) {
      CdsRecord& later = records[byGene[k]];
      later.isFirstListing = 0;
      later.nListings = 1;
      later.nAlt = 0;
      bool known = false;
      for (int32_t v : variants) {
        if (matchesVariant(later, records[v])) {
          known = true;
          break;
        }
      }
      if (!known) {
        variants.push_back(byGene[k]);
        ++leader.nAlt;
      }
    }
  }
}
