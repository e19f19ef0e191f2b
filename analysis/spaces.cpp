#include "analysis/analyse_genes.h"
#include "analysis/spaces.h"

#include <algorithm>

// The space on a side is set by one CDS of another gene: upstream, the one
// with the highest last position among those starting before this CDS;
// downstream, the one with the lowest first position among those ending after
// it. So each place is swept once in each direction, remembering the best two
// values by distinct gene: the best may be this CDS's own gene, the second
// cannot also be.

namespace {

struct Placed {
  uint32_t place;
  int32_t first;
  int32_t last;
  uint32_t gene;
  uint32_t cds;
};

// The two highest values seen so far, from two different genes.
struct BestTwo {
  int64_t value[2] = {INT64_MIN, INT64_MIN};
  int64_t gene[2] = {-1, -1};  // -1: none yet
};

void addValue(BestTwo& best, int64_t v, int64_t g) {
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
bool bestOfOtherGene(const BestTwo& best, int64_t g, int64_t& v) {
  int k = best.gene[0] == g ? 1 : 0;
  if (best.gene[k] < 0) return false;
  v = best.value[k];
  return true;
}

int32_t space(int64_t gap) { return static_cast<int32_t>(std::clamp<int64_t>(gap, -1, NO_NEIGHBOUR_SPACE)); }

// Sweeps CDSs sorted by `key` ascending; ties on the key are settled before
// any of them is added, since an equal start is not upstream (nor an equal
// end downstream). `reach` is what a CDS offers those after it, `gap` the
// space from a CDS to the best reach of another gene.
template <typename KeyOf, typename ReachOf, typename GapOf>
void sweep(const Placed* begin, const Placed* end, std::vector<int32_t>& spaces, KeyOf key, ReachOf reach, GapOf gap) {
  BestTwo best;
  for (const Placed* k = begin; k < end;) {
    const Placed* tieEnd = k;
    while (tieEnd < end && key(*tieEnd) == key(*k)) ++tieEnd;
    for (const Placed* t = k; t < tieEnd; ++t) {
      int64_t v;
      if (bestOfOtherGene(best, t->gene, v)) spaces[t->cds] = space(gap(*t, v));
    }
    for (; k < tieEnd; ++k) addValue(best, reach(*k), k->gene);
  }
}

}  // namespace

void measureSpaces(const CdsStore& store, const Numbering& genes, const Numbering& places,
                   std::vector<int32_t>& beforeSpace, std::vector<int32_t>& afterSpace) {
  std::vector<Placed> placed;
  placed.reserve(store.cds.size());
  for (uint32_t i = 0; i < store.cds.size(); ++i) {
    const Cds& c = store.cds[i];
    if (c.nSegments == 0) continue;
    placed.push_back({places.of[i], firstPosition(store, c), lastPosition(store, c), genes.of[i], i});
  }
  beforeSpace.assign(store.cds.size(), NO_NEIGHBOUR_SPACE);
  afterSpace.assign(store.cds.size(), NO_NEIGHBOUR_SPACE);
  std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
    return a.place != b.place ? a.place < b.place : a.first < b.first;
  });
  for (Placed* begin = placed.data(); begin < placed.data() + placed.size();) {
    Placed* end = begin;
    while (end < placed.data() + placed.size() && end->place == begin->place) ++end;
    sweep(begin, end, beforeSpace, [](const Placed& p) { return p.first; },
          [](const Placed& p) { return int64_t{p.last}; },
          [](const Placed& p, int64_t highestLast) { return int64_t{p.first} - highestLast - 1; });
    // Downstream is the mirror image: by descending last position, keeping the
    // lowest first positions as the highest negated ones.
    std::sort(begin, end, [](const Placed& a, const Placed& b) { return a.last > b.last; });
    sweep(begin, end, afterSpace, [](const Placed& p) { return p.last; },
          [](const Placed& p) { return -int64_t{p.first}; },
          [](const Placed& p, int64_t negatedFirst) { return -negatedFirst - p.last - 1; });
    begin = end;
  }
}
