#include "analysis/gene_analyses.h"
#include "analysis/gene_keys.h"
#include "listing/cds_record.h"

#include <algorithm>
#include <vector>

// The space on a side is set by one CDS of another gene: upstream, the one
// with the highest last position among those starting before this CDS;
// downstream, the one with the lowest first position among those ending after
// it. So each place is swept once in each direction, remembering the best two
// values by distinct gene: the best may be this CDS's own gene, the second
// cannot also be.

namespace {

struct Placed {
  int32_t first;
  int32_t last;
  int32_t gene;
  int32_t record;
};

// The two highest values seen so far, from two different genes.
struct BestTwo {
  int64_t value[2] = {INT64_MIN, INT64_MIN};
  int32_t gene[2] = {-1, -1};

  void add(int64_t v, int32_t g) {
    if (g == gene[0]) {
      value[0] = std::max(value[0], v);
    } else if (v > value[0]) {
      value[1] = value[0];
      gene[1] = gene[0];
      value[0] = v;
      gene[0] = g;
    } else if (g == gene[1]) {
      value[1] = std::max(value[1], v);
    } else if (v > value[1]) {
      value[1] = v;
      gene[1] = g;
    }
  }
  // Best value of any gene but g; false when there is none.
  bool bestOther(int32_t g, int64_t& v) const {
    int k = gene[0] == g ? 1 : 0;
    if (gene[k] < 0) return false;
    v = value[k];
    return true;
  }
};

int32_t space(int64_t gap) {
  return static_cast<int32_t>(std::clamp<int64_t>(gap, -1, NO_NEIGHBOUR_SPACE));
}

// Records of one place in ascending first position; ties are settled before
// any of them is added, since an equal start is not upstream.
void sweepUpstream(std::vector<Placed>& placed) {
  std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.first < b.first; });
  BestTwo highestLast;
  for (size_t k = 0; k < placed.size();) {
    size_t tieEnd = k;
    while (tieEnd < placed.size() && placed[tieEnd].first == placed[k].first) ++tieEnd;
    for (size_t t = k; t < tieEnd; ++t) {
      int64_t last;
      if (highestLast.bestOther(placed[t].gene, last))
        records[placed[t].record].beforeSpace = space(static_cast<int64_t>(placed[t].first) - last - 1);
    }
    for (; k < tieEnd; ++k) highestLast.add(placed[k].last, placed[k].gene);
  }
}

// The mirror image: descending last position, keeping the lowest first
// positions (as the highest negated ones).
void sweepDownstream(std::vector<Placed>& placed) {
  std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.last > b.last; });
  BestTwo lowestFirst;
  for (size_t k = 0; k < placed.size();) {
    size_t tieEnd = k;
    while (tieEnd < placed.size() && placed[tieEnd].last == placed[k].last) ++tieEnd;
    for (size_t t = k; t < tieEnd; ++t) {
      int64_t negatedFirst;
      if (lowestFirst.bestOther(placed[t].gene, negatedFirst))
        records[placed[t].record].afterSpace = space(-negatedFirst - placed[t].last - 1);
    }
    for (; k < tieEnd; ++k) lowestFirst.add(-static_cast<int64_t>(placed[k].first), placed[k].gene);
  }
}

}  // namespace

void calculateGeneSpacing() {
  std::vector<int32_t> geneOf;
  const int32_t nGenes = numberGenes(geneOf);

  // A record with no complete segment has no position: it is nobody's
  // neighbour and adds nothing to its gene's span.
  std::vector<int32_t> spanFirst(nGenes, INT32_MAX);
  std::vector<int32_t> spanLast(nGenes, -1);  // stays -1 for a gene with no positions
  for (int32_t i = 0; i < nCds; ++i) {
    if (records[i].nSegments == 0) continue;
    spanFirst[geneOf[i]] = std::min(spanFirst[geneOf[i]], firstPosition(records[i]));
    spanLast[geneOf[i]] = std::max(spanLast[geneOf[i]], lastPosition(records[i]));
  }
  for (int32_t i = 0; i < nCds; ++i) {
    CdsRecord& r = records[i];
    r.beforeSpace = NO_NEIGHBOUR_SPACE;
    r.afterSpace = NO_NEIGHBOUR_SPACE;
    bool hasSpan = spanLast[geneOf[i]] >= 0;
    r.altCDSFirst = hasSpan ? spanFirst[geneOf[i]] : 0;
    r.altCDSLast = hasSpan ? spanLast[geneOf[i]] : 0;
  }
  spanFirst = {};
  spanLast = {};

  std::vector<int32_t> placeOf;
  const int32_t nPlaces = numberPlaces(placeOf);
  std::vector<int32_t> placeStart, byPlace;
  groupByKey(placeOf, nPlaces, placeStart, byPlace);
  placeOf = {};
  std::vector<Placed> placed;
  for (int32_t p = 0; p < nPlaces; ++p) {
    placed.clear();
    for (int32_t k = placeStart[p]; k < placeStart[p + 1]; ++k) {
      const CdsRecord& r = records[byPlace[k]];
      if (r.nSegments > 0) placed.push_back({firstPosition(r), lastPosition(r), geneOf[byPlace[k]], byPlace[k]});
    }
    sweepUpstream(placed);
    sweepDownstream(placed);
  }
}
