#include "analysis/alternatives.h"

#include <algorithm>

// A listing with segments can only match a list whose first segment (read as
// (0, 0) when it has none) equals its own. So the listings of a gene are taken
// in runs of equal first segments, each in listing order and against the known
// lists of its own run only: the same answers as comparing with every known
// list, without comparing every pair when a gene (empty names on a contig,
// say) has thousands of different CDSs.

namespace {

Segment firstSegment(const CdsStore& store, const Cds& c) {
  return c.nSegments > 0 ? store.segments[c.firstSegment] : Segment{0, 0};
}

bool sameSegment(const Segment& a, const Segment& b) { return a.start == b.start && a.end == b.end; }

// `later` matches `known` when each of its own segments equals the known
// list's segment at the same place, the list reading (0, 0) past its end.
bool matches(const CdsStore& store, const Cds& later, const Cds& known) {
  for (uint32_t r = 0; r < later.nSegments; ++r) {
    Segment k = r < known.nSegments ? store.segments[known.firstSegment + r] : Segment{0, 0};
    if (!sameSegment(store.segments[later.firstSegment + r], k)) return false;
  }
  return true;
}

}  // namespace

int32_t countAlternatives(const CdsStore& store, const uint32_t* members, uint32_t count) {
  if (count == 1) return 0;
  std::vector<uint32_t> listed(members, members + count);
  std::stable_sort(listed.begin(), listed.end(), [&store](uint32_t a, uint32_t b) {
    Segment x = firstSegment(store, store.cds[a]), y = firstSegment(store, store.cds[b]);
    return x.start != y.start ? x.start < y.start : x.end < y.end;
  });
  int32_t nAlt = 0;
  std::vector<uint32_t> known;
  for (size_t run = 0; run < listed.size();) {
    known.clear();
    const Segment runFirst = firstSegment(store, store.cds[listed[run]]);
    size_t k = run;
    for (; k < listed.size() && sameSegment(firstSegment(store, store.cds[listed[k]]), runFirst); ++k) {
      const Cds& later = store.cds[listed[k]];
      // The first listing is known from the start; a listing without segments
      // matches it, whatever it is.
      if (listed[k] == members[0]) {
        known.push_back(listed[k]);
        continue;
      }
      if (later.nSegments == 0) continue;
      if (std::none_of(known.begin(), known.end(), [&](uint32_t v) { return matches(store, later, store.cds[v]); })) {
        known.push_back(listed[k]);
        ++nAlt;
      }
    }
    run = k;
  }
  return nAlt;
}
