#include "analysis/neighbours.h"

#include "analysis/key_numbering.h"

#include <algorithm>

// Each side is settled by one CDS of another gene: upstream the one reaching
// furthest right among those starting before this CDS, downstream the mirror
// image. So each place is swept once each way over its CDSs sorted by where
// they start (or end), remembering the best two offers by distinct gene: the
// best may be this CDS's own gene, the second cannot also be. On a circular
// place the sweep also takes in every CDS a turn back, read off the same
// sorted CDSs with the turn taken away (still sorted), so it runs on past the
// origin with neither a second sort nor a copy. The same order, the first
// positions', gives each strand's entries their neighbours on the way.

namespace {

constexpr uint32_t NONE = UINT32_MAX;

// Longer than any genome; keeps positions shifted by a turn or two far from
// int64_t's ends.
constexpr int64_t MAX_CIRCLE = int64_t{1} << 60;

// A CDS with a segment, as a sweep reads it.
struct Placed {
  int64_t key;     // what orders the sweep: its first position (downstream: its last, negated)
  int64_t reach;   // what it offers those after it: its last position (downstream: its first, negated)
  uint32_t place;
  uint32_t cds;
  uint32_t gene;   // gene name number: within a place, the gene
  uint32_t entry;  // the entry it answers for, NONE for a CDS not written
};

struct Offer {
  int64_t reach = 0;
  uint32_t cds = NONE;  // NONE: no offer yet
  uint32_t gene = NONE;
};

// Higher reach wins; on equal reach the CDS listed first.
bool beats(const Offer& a, const Offer& b) {
  return b.cds == NONE || a.reach > b.reach || (a.reach == b.reach && a.cds < b.cds);
}

// The best offers of two different genes, top[0] the better.
struct BestTwo {
  Offer top[2];

  void add(const Offer& offer) {
    if (top[0].cds != NONE && offer.gene == top[0].gene) {
      if (beats(offer, top[0])) top[0] = offer;
    } else if (beats(offer, top[0])) {
      top[1] = top[0];
      top[0] = offer;
    } else if (beats(offer, top[1])) {  // of top[1]'s gene or another
      top[1] = offer;
    }
  }
  // The best offer of any gene but `gene`; nullptr when there is none.
  const Offer* otherThan(uint32_t gene) const {
    const Offer& o = top[0].cds != NONE && top[0].gene == gene ? top[1] : top[0];
    return o.cds == NONE ? nullptr : &o;
  }
};

// Sweeps one place's CDSs, sorted by key, and when `turn` > 0 the same CDSs a
// turn back, in order of key; all those of an equal key are answered before
// any of them is added, since an equal start is not upstream. The key is
// where the answering CDS starts and the reach the last position offered, so
// the gap is their difference less one. Only the CDSs themselves answer.
void sweepPlace(const Placed* begin, const Placed* end, int64_t turn, Neighbour Neighbours::*side,
                std::vector<Neighbours>& out) {
  BestTwo best;
  const Placed* back = turn > 0 ? begin : end;  // the next CDS a turn back
  for (const Placed* k = begin; k < end;) {
    const int64_t key = back < end ? std::min(k->key, back->key - turn) : k->key;
    const Placed* tieEnd = k;
    while (tieEnd < end && tieEnd->key == key) ++tieEnd;
    for (const Placed* t = k; t < tieEnd; ++t) {
      if (t->entry == NONE) continue;
      if (const Offer* o = best.otherThan(t->gene)) out[t->entry].*side = {true, o->gene, t->key - o->reach - 1};
    }
    for (; k < tieEnd; ++k) best.add({k->reach, k->cds, k->gene});
    for (; back < end && back->key - turn == key; ++back) best.add({back->reach - turn, back->cds, back->gene});
  }
}

// Calls f(begin, end) on each place's run of CDSs, the CDSs sorted by place.
template <typename F>
void forEachPlace(std::vector<Placed>& placed, F f) {
  Placed* const all = placed.data() + placed.size();
  for (Placed* begin = placed.data(); begin < all;) {
    Placed* end = begin;
    while (end < all && end->place == begin->place) ++end;
    f(begin, end);
    begin = end;
  }
}

// Sorts by place, then key, then listing order.
void sortPlaced(std::vector<Placed>& placed) {
  std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
    if (a.place != b.place) return a.place < b.place;
    return a.key != b.key ? a.key < b.key : a.cds < b.cds;
  });
}

// Links the entries of one place and strand, in order, each to the one
// before and after it; on a circle of `turn` bases the first and the last to
// each other, a turn apart. Keys are first positions, reaches last ones.
void linkStrand(const std::vector<const Placed*>& run, int64_t turn, std::vector<Neighbours>& out) {
  const size_t m = run.size();
  const bool wraps = turn > 0 && m >= 2;
  for (size_t k = 0; k < m; ++k) {
    Neighbours& mine = out[run[k]->entry];
    if (k > 0 || wraps) {
      const Placed& prev = *run[k > 0 ? k - 1 : m - 1];
      mine.prevSameStrand = {true, prev.gene, run[k]->key - prev.reach - 1 + (k > 0 ? 0 : turn)};
    }
    if (k + 1 < m || wraps) {
      const Placed& next = *run[k + 1 < m ? k + 1 : 0];
      mine.nextSameStrand = {true, next.gene, next.key - run[k]->reach - 1 + (k + 1 < m ? 0 : turn)};
    }
  }
}

}  // namespace

std::vector<Neighbours> findNeighbours(const CdsStore& store, std::span<const GeneEntry> genes, bool sameStrandOnly) {
  const size_t n = store.cds.size();
  std::vector<Neighbours> out(genes.size());
  std::vector<uint32_t> entryOf(n, NONE);
  for (size_t e = 0; e < genes.size(); ++e) {
    entryOf[genes[e].cds] = static_cast<uint32_t>(e);
    out[e].complement = (store.cds[genes[e].cds].flags & COMPLEMENT) != 0;
  }

  std::vector<Key> keys(n);
  for (size_t i = 0; i < n; ++i) keys[i] = {store.cds[i].file, static_cast<uint32_t>(store.cds[i].contig)};
  const Numbering places = numberKeys(keys);
  keys = {};
  // A place's turn: its contig's length when circular, 0 when linear or unknown.
  std::vector<int64_t> turn(places.count, -1);  // -1: not settled by a CDS with a segment yet
  std::vector<Placed> placed;
  placed.reserve(n);
  for (uint32_t i = 0; i < n; ++i) {
    const Cds& c = store.cds[i];
    if (c.nSegments == 0) continue;
    const uint32_t place = places.of[i];
    if (turn[place] < 0) {
      const ContigShape& shape = store.contigs[c.shape];
      turn[place] = shape.circular && shape.length > 0 && shape.length <= MAX_CIRCLE ? shape.length : 0;
    }
    const int32_t first = firstPosition(store, c), last = lastPosition(store, c);
    const int64_t unrolledLast = last < first ? last + turn[place] : last;  // across a circle's origin
    placed.push_back({first, unrolledLast, place, i, c.gene, entryOf[i]});
  }
  entryOf = {};

  sortPlaced(placed);
  std::vector<const Placed*> run;  // one place's entries on one strand
  forEachPlace(placed, [&](Placed* begin, Placed* end) {
    if (!sameStrandOnly) sweepPlace(begin, end, turn[begin->place], &Neighbours::before, out);
    for (bool complement : {false, true}) {
      run.clear();
      for (const Placed* p = begin; p < end; ++p)
        if (p->entry != NONE && out[p->entry].complement == complement) run.push_back(p);
      linkStrand(run, turn[begin->place], out);
    }
  });
  if (sameStrandOnly) return out;
  // Downstream is the mirror image: every position negated, so that ending
  // after this CDS is starting before it, and the lowest first position the
  // highest reach. Each place reversed first is near its new order.
  forEachPlace(placed, [](Placed* begin, Placed* end) { std::reverse(begin, end); });
  for (Placed& p : placed) p = {-p.reach, -p.key, p.place, p.cds, p.gene, p.entry};
  sortPlaced(placed);
  forEachPlace(placed, [&](Placed* begin, Placed* end) {
    sweepPlace(begin, end, turn[begin->place], &Neighbours::after, out);
  });
  return out;
}
