// findNeighbours against every pair of CDSs, on seeded random stores of linear
// and circular contigs, and on a few rows worked out by hand.

#include "analysis/neighbours.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

int64_t turnOf(const CdsStore& s, const Cds& c) {
  const ContigShape& shape = s.contigs[c.shape];
  return shape.circular && shape.length > 0 ? shape.length : 0;
}
int64_t first(const CdsStore& s, const Cds& c) { return firstPosition(s, c); }
int64_t last(const CdsStore& s, const Cds& c) {  // unrolled
  return turnOf(s, c) > 0 && lastPosition(s, c) < firstPosition(s, c) ? lastPosition(s, c) + turnOf(s, c) : lastPosition(s, c);
}
bool samePlace(const Cds& a, const Cds& b) { return a.file == b.file && a.contig == b.contig; }

void offer(Neighbour& n, uint32_t gene, int64_t gap) {
  if (!n.found || gap < n.gap) n = {true, gene, gap};
}

std::vector<Neighbours> reference(const CdsStore& s, const std::vector<GeneEntry>& genes) {
  std::vector<Neighbours> all;
  for (const GeneEntry& e : genes) {
    const Cds& me = s.cds[e.cds];
    Neighbours r;
    r.complement = me.flags & COMPLEMENT;
    const int64_t len = turnOf(s, me);
    for (size_t j = 0; j < s.cds.size() && me.nSegments > 0; ++j) {  // in listing order: ties to the first
      const Cds& that = s.cds[j];
      if (that.nSegments == 0 || !samePlace(me, that) || that.gene == me.gene) continue;
      for (int64_t shift : {int64_t{0}, -len})
        if (first(s, that) + shift < first(s, me)) offer(r.before, that.gene, first(s, me) - (last(s, that) + shift) - 1);
      for (int64_t shift : {int64_t{0}, len})
        if (last(s, that) + shift > last(s, me)) offer(r.after, that.gene, first(s, that) + shift - last(s, me) - 1);
    }
    // The entries of the same place and strand, by first position, then listing order.
    auto order = [&](const GeneEntry& x) { return std::pair(first(s, s.cds[x.cds]), x.cds); };
    const GeneEntry *prev = nullptr, *next = nullptr, *lowest = nullptr, *highest = nullptr;
    for (const GeneEntry& o : genes) {
      const Cds& c = s.cds[o.cds];
      if (me.nSegments == 0 || c.nSegments == 0 || !samePlace(me, c) || (c.flags & COMPLEMENT) != (me.flags & COMPLEMENT)) continue;
      if (!lowest || order(o) < order(*lowest)) lowest = &o;
      if (!highest || order(o) > order(*highest)) highest = &o;
      if (order(o) < order(e) && (!prev || order(o) > order(*prev))) prev = &o;
      if (order(o) > order(e) && (!next || order(o) < order(*next))) next = &o;
    }
    if (prev) r.prevSameStrand = {true, s.cds[prev->cds].gene, first(s, me) - last(s, s.cds[prev->cds]) - 1};
    else if (len > 0 && highest && highest != &e) r.prevSameStrand = {true, s.cds[highest->cds].gene, len - last(s, s.cds[highest->cds]) + first(s, me) - 1};
    if (next) r.nextSameStrand = {true, s.cds[next->cds].gene, first(s, s.cds[next->cds]) - last(s, me) - 1};
    else if (len > 0 && lowest && lowest != &e) r.nextSameStrand = {true, s.cds[lowest->cds].gene, len - last(s, me) + first(s, s.cds[lowest->cds]) - 1};
    all.push_back(r);
  }
  return all;
}

std::string show(const CdsStore& s, const Neighbour& n) {
  if (!n.found) return "-";
  const std::string_view name = s.names.name(n.gene);
  return std::string(name.empty() ? "''" : name).append(" ").append(std::to_string(n.gap));
}

// An entry's four columns as one line: "before B -51, after C 99, prev -, next A 19".
std::string show(const CdsStore& s, const Neighbours& n) {
  return std::string(n.complement ? "- " : "+ ") + "before " + show(s, n.before) + ", after " + show(s, n.after) +
         ", prev " + show(s, n.prevSameStrand) + ", next " + show(s, n.nextSameStrand);
}

struct Shape {
  int nCds, nPlaces, nGenes, range, nSeeds;
};

// Places on three contigs of each file, each linear, circular of `range`
// bases, circular of unknown length, or linear of known length. CDSs of one
// or two segments, some crossing a circular origin, some written backwards,
// some without a segment; repeats of earlier CDSs, of their gene or another.
CdsStore randomStore(std::mt19937& rng, const Shape& shape) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  CdsStore store;
  std::vector<int> kind(shape.nPlaces);
  for (int p = 0; p < shape.nPlaces; ++p) {
    kind[p] = pick(4);
    store.contigs.push_back({0, kind[p] == 1 || kind[p] == 2, kind[p] == 1 || kind[p] == 3 ? shape.range : 0});
  }
  std::vector<ParsedCds> listed;
  std::vector<int> placeOf;
  for (int k = 0; k < shape.nCds; ++k) {
    int p = pick(shape.nPlaces);
    const int style = pick(10);
    ParsedCds c{{}, static_cast<uint8_t>(pick(2) ? COMPLEMENT : 0), pick(8) ? std::to_string(pick(shape.nGenes)) : "",
                std::string("f").append(std::to_string(p / 3)), p % 3};
    if (style < 3 && k > 0) {
      const int earlier = pick(k);
      c.segments = listed[earlier].segments;
      if (style == 0) c.gene = listed[earlier].gene, c.file = listed[earlier].file, c.contig = listed[earlier].contig, p = placeOf[earlier];
    } else if (style > 3) {  // style 3: no segment
      const int64_t start = 1 + pick(shape.range), end = start + pick(shape.range / 4 + 1);
      const int32_t s = static_cast<int32_t>(start), e = static_cast<int32_t>(std::min<int64_t>(end, shape.range));
      if (end > shape.range && kind[p] == 1) c.segments = {{s, shape.range}, {1, static_cast<int32_t>(end - shape.range)}};
      else if (style == 4) c.segments = {{e, s}};
      else if (style == 5 && e - s > 2) c.segments = {{s, s + (e - s) / 3}, {e - (e - s) / 3, e}};
      else c.segments = {{s, e}};
    }
    listed.push_back(c);
    placeOf.push_back(p);
    store.add(c);
    store.cds.back().shape = static_cast<uint32_t>(1 + p);  // places whose name says nothing of the CDS's own
  }
  return store;
}

TEST(Neighbours, AgainstEveryPair) {
  const Shape shapes[] = {{300, 2, 6, 400, 150}, {60, 1, 3, 50, 300}, {400, 9, 80, 100000, 60},
                          {150, 6, 100, 2000000000, 60}};
  const char* columns[] = {"before", "after", "prev", "next"};
  for (const Shape& shape : shapes) {
    for (int seed = 1; seed <= shape.nSeeds; ++seed) {
      std::mt19937 rng(seed * 31 + shape.range);
      const CdsStore store = randomStore(rng, shape);
      const std::vector<GeneEntry> genes = analyseGenes(store);
      const std::vector<Neighbours> got = findNeighbours(store, genes), want = reference(store, genes);
      ASSERT_EQ(got.size(), genes.size());
      for (size_t e = 0; e < genes.size(); ++e) {
        ASSERT_EQ(show(store, got[e]), show(store, want[e])) << "range " << shape.range << ", seed " << seed << ", entry " << e;
        const Cds& c = store.cds[genes[e].cds];
        if (turnOf(store, c) > 0) continue;
        // On a linear contig the table's spaces are the gaps raised to -1 and capped.
        const Neighbour* sides[] = {&got[e].before, &got[e].after};
        const int32_t spaces[] = {genes[e].beforeSpace, genes[e].afterSpace};
        for (int side = 0; side < 2; ++side) {
          const Neighbour& n = *sides[side];
          const int64_t want = !n.found || n.gap >= NO_NEIGHBOUR_SPACE ? NO_NEIGHBOUR_SPACE : std::max<int64_t>(n.gap, -1);
          ASSERT_EQ(spaces[side], want) << columns[side] << ", range " << shape.range << ", seed " << seed << ", entry " << e;
        }
      }
    }
  }
}

TEST(Neighbours, RowsByHand) {
  CdsStore store;
  store.contigs.push_back({0, true, 1000});
  const ParsedCds linear[] = {
      {{{100, 200}}, 0, "A", "lin.gb", 1},
      {{{150, 300}}, COMPLEMENT, "B", "lin.gb", 1},
      {{{400, 500}}, 0, "C", "lin.gb", 1},
      {{{520, 560}}, 0, "A", "lin.gb", 1},  // not written, still a neighbour
      {{{600, 700}}, 0, "", "lin.gb", 1},
      {{}, 0, "W", "lin.gb", 1},            // no segment
  };
  const ParsedCds circular[] = {
      {{{900, 1000}, {1, 50}}, 0, "X", "circ.gb", 1},  // across the origin: 900..1050
      {{{100, 200}}, 0, "Y", "circ.gb", 1},
      {{{800, 850}}, COMPLEMENT, "Z", "circ.gb", 1},
  };
  for (const ParsedCds& c : linear) store.add(c);
  for (const ParsedCds& c : circular) store.add(c), store.cds.back().shape = 1;
  const char* rows[] = {
      "+ before -, after B -51, prev -, next C 199",       // A
      "- before A -51, after C 99, prev -, next -",        // B: alone on its strand
      "+ before B 99, after A 19, prev A 199, next '' 99", // C: A's second listing is nearer than ''
      "+ before A 39, after -, prev C 99, next -",         // unnamed
      "+ before -, after -, prev -, next -",               // W
      "+ before Z 49, after Y 49, prev Y 699, next Y 49",  // X: after and next run on past the origin
      "+ before X 49, after Z 599, prev X 49, next X 699", // Y: before and prev run back past it
      "- before Y 599, after X 49, prev -, next -",        // Z: alone on its strand of a circle
  };
  const std::vector<GeneEntry> genes = analyseGenes(store);
  const std::vector<Neighbours> got = findNeighbours(store, genes);
  ASSERT_EQ(got.size(), std::size(rows));
  for (size_t e = 0; e < got.size(); ++e) EXPECT_EQ(show(store, got[e]), rows[e]) << "entry " << e;
}

}  // namespace
