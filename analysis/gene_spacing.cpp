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
  int32_t place;
  int32_t first;
  int32_t last;
  int32_t gene;
  int32_t record;
};

// The two highest values seen so far, from two different genes.
struct BestTwo {
  int64_t value[2] = {INT64_MIN, INT64_MIN};
  int32_t gene[2] = {-1, -1};  // -1: none yet
};

void addValue(BestTwo& best, int64_t v, int32_t g) {
  if (g == best.gene[0]) {
    best.value[0] = std::max(best.value[0], v);
  } else if (v > best.value[0]) {
    best.value[1] = best.value[0];
    best.gene[1] = best.gene[0];
    best.value[0] = v;
    best.gene[0] = g;
  } else if (g == best.gene[1]) {
    best.value[1] = std::max(best.value[1], v);
  } else if (v > best.value[1]) {
    best.value[1] = v;
    best.gene[1] = g;
  }
}

// The best value of any gene but g; false when there is none.
bool bestOfOtherGene(const BestTwo& best, int32_t g, int64_t& v) {
  int k = best.gene[0] == g ? 1 : 0;
  if (best.gene[k] < 0) return false;
  v = best.value[k];
  return true;
}

int32_t space(int64_t gap) {
  return static_cast<int32_t>(std::clamp<int64_t>(gap, -1, NO_NEIGHBOUR_SPACE));
}

// CDSs of one place, in ascending first position; ties are settled before
// any of them is added, since an equal start is not upstream.
void sweepUpstream(const Placed* begin, const Placed* end, std::vector<int32_t>& beforeSpace) {
  BestTwo highestLast;
  for (const Placed* k = begin; k < end;) {
    const Placed* tieEnd = k;
    while (tieEnd < end && tieEnd->first == k->first) ++tieEnd;
    for (const Placed* t = k; t < tieEnd; ++t) {
      int64_t last;
      if (bestOfOtherGene(highestLast, t->gene, last)) beforeSpace[t->record] = space(int64_t{t->first} - last - 1);
    }
    for (; k < tieEnd; ++k) addValue(highestLast, k->last, k->gene);
  }
}

// The mirror image: descending last position, keeping the lowest first
// positions (as the highest negated ones). Reorders the place's CDSs.
void sweepDownstream(Placed* begin, Placed* end, std::vector<int32_t>& afterSpace) {
  std::sort(begin, end, [](const Placed& a, const Placed& b) { return a.last > b.last; });
  BestTwo lowestFirst;
  for (Placed* k = begin; k < end;) {
    Placed* tieEnd = k;
    while (tieEnd < end && tieEnd->last == k->last) ++tieEnd;
    for (Placed* t = k; t < tieEnd; ++t) {
      int64_t negatedFirst;
      if (bestOfOtherGene(lowestFirst, t->gene, negatedFirst)) afterSpace[t->record] = space(-negatedFirst - t->last - 1);
    }
    for (; k < tieEnd; ++k) addValue(lowestFirst, -int64_t{k->first}, k->gene);
  }
}

}  // namespace

void calculateGeneSpacing() {
  std::vector<int32_t> geneOf;
  const int32_t nGenes = numberGenes(geneOf);
  std::vector<int32_t> placeOfGene;
  numberPlaces(geneOf, nGenes, placeOfGene);

  // A record with no complete segment has no position: it is nobody's
  // neighbour and adds nothing to its gene's span.
  std::vector<Placed> placed;
  placed.reserve(nCds);  // growing it would hold two copies at once
  std::vector<int32_t> spanFirst(nGenes, INT32_MAX);
  std::vector<int32_t> spanLast(nGenes, -1);  // stays -1 for a gene with no positions
  for (int32_t i = 0; i < nCds; ++i) {
    prefetchRecord(i + PREFETCH_DISTANCE);
    if (records[i].nSegments == 0) continue;
    Placed p{placeOfGene[geneOf[i]], firstPosition(records[i]), lastPosition(records[i]), geneOf[i], i};
    placed.push_back(p);
    spanFirst[p.gene] = std::min(spanFirst[p.gene], p.first);
    spanLast[p.gene] = std::max(spanLast[p.gene], p.last);
  }
  placeOfGene = {};

  std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
    return a.place != b.place ? a.place < b.place : a.first < b.first;
  });
  std::vector<int32_t> beforeSpace(nCds, NO_NEIGHBOUR_SPACE);
  std::vector<int32_t> afterSpace(nCds, NO_NEIGHBOUR_SPACE);
  for (Placed* begin = placed.data(); begin < placed.data() + placed.size();) {
    Placed* end = begin;
    while (end < placed.data() + placed.size() && end->place == begin->place) ++end;
    sweepUpstream(begin, end, beforeSpace);
    sweepDownstream(begin, end, afterSpace);
    begin = end;
  }
  placed = {};

  for (int32_t i = 0; i < nCds; ++i) {
    prefetchRecord(i + PREFETCH_DISTANCE);
    CdsRecord& r = records[i];
    bool hasSpan = spanLast[geneOf[i]] >= 0;
    r.beforeSpace = beforeSpace[i];
    r.afterSpace = afterSpace[i];
    r.altCDSFirst = hasSpan ? spanFirst[geneOf[i]] : 0;
    r.altCDSLast = hasSpan ? spanLast[geneOf[i]] : 0;
  }
}
