#include "analysis/neighbours.h"

#include <algorithm>

// Each side is settled by one CDS of another gene: upstream the one reaching
// furthest right among those starting before this CDS, downstream the mirror
// image. So each place is swept once each way over its CDSs sorted by where
// they start (or end), remembering the best two offers by distinct gene: the
// best may be this CDS's own gene, the second cannot also be. On a circular
// place the sweep also takes in every CDS a turn back, read off the same
// sorted CDSs with the turn taken away (still sorted), so it runs on past the
// origin with neither a second sort nor a copy. The same order, the first
// positions', gives each strand's entries their neighbours on the way. On a
// linear place one sweep answers both the neighbour and the space; a circular
// place's spaces take a sweep of their own over its CDSs as written.

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
// the gap is their difference less one. Only entries are answered, by
// answer(entry, gene of the neighbour, gap).
template <typename Answer>
void sweepPlace(const Placed* begin, const Placed* end, int64_t turn, Answer answer) {
  BestTwo best;
  const Placed* back = turn > 0 ? begin : end;  // the next CDS a turn back
  for (const Placed* k = begin; k < end;) {
    const int64_t key = back < end ? std::min(k->key, back->key - turn) : k->key;
    const Placed* tieEnd = k;
    while (tieEnd < end && tieEnd->key == key) ++tieEnd;
    for (const Placed* t = k; t < tieEnd; ++t) {
      if (t->entry == NONE) continue;
      if (const Offer* o = best.otherThan(t->gene)) answer(t->entry, o->gene, t->key - o->reach - 1);
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

// Listings come mostly in order of position, so an insertion sort puts them
// in order in about one pass. It gives up after a number of moves linear in
// the count, and std::sort takes over: no shape costs more than O(n log n).
template <typename Less>
void sortMostlySorted(std::vector<Placed>& placed, Less less) {
  Placed* const begin = placed.data();
  Placed* const end = begin + placed.size();
  size_t budget = 4 * placed.size() + 64;
  for (Placed* i = begin + (begin < end); i < end; ++i) {
    if (!less(*i, i[-1])) continue;
    const Placed moving = *i;
    Placed* j = i;
    do {
      *j = j[-1];
      --j;
    } while (j > begin && less(moving, j[-1]) && --budget > 0);
    *j = moving;
    if (budget == 0) return std::sort(begin, end, less);
  }
}

// By place, then key, then listing order: the order of the upstream sweep
// and of each strand's entries.
void sortUpstream(std::vector<Placed>& placed) {
  sortMostlySorted(placed, [](const Placed& a, const Placed& b) {
    if (a.place != b.place) return a.place < b.place;
    return a.key != b.key ? a.key < b.key : a.cds < b.cds;
  });
}

// Turns the upstream order into the downstream one: every position negated,
// so that ending after this CDS is starting before it, and the lowest first
// position the highest reach. Each place reversed first is near its new
// order. A sweep answers all of an equal key alike, so ties stay as they fall.
void mirror(std::vector<Placed>& placed) {
  forEachPlace(placed, [](Placed* begin, Placed* end) { std::reverse(begin, end); });
  for (Placed& p : placed) p = {-p.reach, -p.key, p.place, p.cds, p.gene, p.entry};
  sortMostlySorted(placed, [](const Placed& a, const Placed& b) {
    return a.place != b.place ? a.place < b.place : a.key < b.key;
  });
}

int32_t space(int64_t gap) { return static_cast<int32_t>(std::clamp<int64_t>(gap, -1, NO_NEIGHBOUR_SPACE)); }

// Links the entries of one place, in order, each to the one before and
// after it on its strand; on a circle of `turn` bases the last of a strand
// to its first, a turn on. Keys are first positions, reaches last ones.
void linkStrands(const Placed* begin, const Placed* end, int64_t turn, std::vector<Neighbours>& out) {
  auto link = [&](const Placed& prev, const Placed& next, int64_t on) {
    const int64_t gap = next.key - prev.reach - 1 + on;
    out[next.entry].prevSameStrand = {true, prev.gene, gap};
    out[prev.entry].nextSameStrand = {true, next.gene, gap};
  };
  const Placed* first[2] = {nullptr, nullptr};
  const Placed* last[2] = {nullptr, nullptr};
  for (const Placed* p = begin; p < end; ++p) {
    if (p->entry == NONE) continue;
    const bool strand = out[p->entry].complement;
    if (last[strand] != nullptr) link(*last[strand], *p, 0);
    else first[strand] = p;
    last[strand] = p;
  }
  if (turn > 0)
    for (int strand : {0, 1})
      if (first[strand] != last[strand]) link(*last[strand], *first[strand], turn);
}

// The spaces of the places whose neighbours ran around a circle: the CDSs of
// `placed` in those places, as written.
void linearSpaces(const CdsStore& store, const std::vector<Placed>& placed, const std::vector<int64_t>& turn,
                  std::span<GeneEntry> genes) {
  std::vector<Placed> linear;
  for (const Placed& p : placed) {
    if (turn[p.place] <= 0) continue;
    const Cds& c = store.cds[p.cds];
    linear.push_back({firstPosition(store, c), lastPosition(store, c), p.place, p.cds, p.gene, p.entry});
  }
  if (linear.empty()) return;
  sortUpstream(linear);
  forEachPlace(linear, [&](Placed* begin, Placed* end) {
    sweepPlace(begin, end, 0, [&](uint32_t e, uint32_t, int64_t gap) { genes[e].beforeSpace = space(gap); });
  });
  mirror(linear);
  forEachPlace(linear, [&](Placed* begin, Placed* end) {
    sweepPlace(begin, end, 0, [&](uint32_t e, uint32_t, int64_t gap) { genes[e].afterSpace = space(gap); });
  });
}

}  // namespace

std::vector<Neighbours> findSides(const CdsStore& store, const Numbering& places, std::span<GeneEntry> genes,
                                  Sides sides) {
  const size_t n = store.cds.size();
  const bool strands = sides != Sides::SPACES, both = sides == Sides::ALL;
  std::vector<Neighbours> out(strands ? genes.size() : 0);
  std::vector<uint32_t> entryOf(n, NONE);
  for (size_t e = 0; e < genes.size(); ++e) {
    entryOf[genes[e].cds] = static_cast<uint32_t>(e);
    genes[e].beforeSpace = genes[e].afterSpace = NO_NEIGHBOUR_SPACE;
    if (strands) out[e].complement = (store.cds[genes[e].cds].flags & COMPLEMENT) != 0;
  }

  // A place's turn: its contig's length when circular, 0 when linear or
  // unknown, or when only the spaces are asked for.
  std::vector<int64_t> turn(places.count, -1);  // -1: not settled by a CDS with a segment yet
  bool anyCircle = false;
  std::vector<Placed> placed;
  placed.reserve(n);
  for (uint32_t i = 0; i < n; ++i) {
    const Cds& c = store.cds[i];
    if (c.nSegments == 0) continue;
    const uint32_t place = places.of[i];
    if (turn[place] < 0) {
      const ContigShape& shape = store.contigs[c.shape];
      turn[place] = strands && shape.circular && shape.length > 0 && shape.length <= MAX_CIRCLE ? shape.length : 0;
      anyCircle |= turn[place] > 0;
    }
    const int32_t first = firstPosition(store, c), last = lastPosition(store, c);
    const int64_t unrolledLast = last < first ? last + turn[place] : last;  // across a circle's origin
    placed.push_back({first, unrolledLast, place, i, c.gene, entryOf[i]});
  }
  entryOf = {};

  // One side's sweep of a place: the neighbours when asked for, the spaces
  // when the place is linear.
  auto sweepSide = [&](Placed* begin, Placed* end, Neighbour Neighbours::*side, int32_t GeneEntry::*spaceOf) {
    const int64_t t = turn[begin->place];
    if (both && t == 0) {
      sweepPlace(begin, end, 0, [&](uint32_t e, uint32_t gene, int64_t gap) {
        out[e].*side = {true, gene, gap};
        genes[e].*spaceOf = space(gap);
      });
    } else if (both) {
      sweepPlace(begin, end, t, [&](uint32_t e, uint32_t gene, int64_t gap) { out[e].*side = {true, gene, gap}; });
    } else if (t == 0) {
      sweepPlace(begin, end, 0, [&](uint32_t e, uint32_t, int64_t gap) { genes[e].*spaceOf = space(gap); });
    }
  };

  sortUpstream(placed);
  forEachPlace(placed, [&](Placed* begin, Placed* end) {
    sweepSide(begin, end, &Neighbours::before, &GeneEntry::beforeSpace);
    if (strands) linkStrands(begin, end, turn[begin->place], out);
  });
  if (anyCircle) linearSpaces(store, placed, turn, genes);
  mirror(placed);
  forEachPlace(placed, [&](Placed* begin, Placed* end) {
    sweepSide(begin, end, &Neighbours::after, &GeneEntry::afterSpace);
  });
  return out;
}
