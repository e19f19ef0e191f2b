#include "analysis/gene_analyses.h"
#include "analysis/gene_keys.h"
#include "listing/cds_record.h"

#include <algorithm>
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

// A listing with segments can only match a variant whose first segment (read
// as (0, 0) when it has none) equals its own. So the listings of a gene are
// taken in runs of equal first segments, each in listing order and against the
// variants of its own run only: the same answers as comparing with every
// variant, without comparing every pair when a gene (empty names on a contig,
// say) has thousands of different CDSs.
struct Listed {
  Segment first;   // first segment, (0, 0) when there is none
  int32_t record;  // index in the table
};

Segment firstSegment(const CdsRecord& r) { return r.nSegments > 0 ? r.segments[0] : Segment{0, 0}; }

// Marks the later listings of one gene and counts its alternatives into the leader.
void mergeGene(const int32_t* members, int32_t count, std::vector<Listed>& listed, std::vector<int32_t>& variants) {
  CdsRecord& leader = records[members[0]];
  leader.isFirstListing = 1;
  leader.nListings = count;
  leader.nAlt = 0;
  if (count == 1) return;
  listed.clear();
  for (int32_t k = 0; k < count; ++k) listed.push_back({firstSegment(records[members[k]]), members[k]});
  std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) {
    if (a.first.start != b.first.start) return a.first.start < b.first.start;
    if (a.first.end != b.first.end) return a.first.end < b.first.end;
    return a.record < b.record;
  });
  for (size_t run = 0; run < listed.size();) {
    variants.clear();
    size_t k = run;
    for (; k < listed.size() && listed[k].first.start == listed[run].first.start &&
           listed[k].first.end == listed[run].first.end;
         ++k) {
      CdsRecord& later = records[listed[k].record];
      if (listed[k].record == members[0]) {
        variants.push_back(members[0]);
        continue;
      }
      later.isFirstListing = 0;
      later.nListings = 1;
      later.nAlt = 0;
      if (later.nSegments == 0) continue;  // matches the first listing, whatever it is
      bool known = std::any_of(variants.begin(), variants.end(),
                               [&later](int32_t v) { return matchesVariant(later, records[v]); });
      if (!known) {
        variants.push_back(listed[k].record);
        ++leader.nAlt;
      }
    }
    run = k;
  }
}

}  // namespace

void findMultipleListings() {
  std::vector<int32_t> geneOf;
  const int32_t nGenes = numberGenes(geneOf);
  std::vector<int32_t> geneStart, byGene;
  groupByKey(geneOf, nGenes, geneStart, byGene);
  geneOf = {};

  // A gene's records stand in listing order, so the first is its first listing.
  std::vector<Listed> listed;
  std::vector<int32_t> variants;
  for (int32_t g = 0; g < nGenes; ++g)
    mergeGene(byGene.data() + geneStart[g], geneStart[g + 1] - geneStart[g], listed, variants);
}
