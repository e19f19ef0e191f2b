// The neighbours analyseGenes finds against every pair of CDSs, on seeded random stores of linear
// and circular contigs (rows worked out by hand are in the annotations case).

#include "analysis/analyse_genes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

int64_t turnOf(const ContigShape& shape) { return shape.circular && shape.length > 0 ? shape.length : 0; }
int64_t turnOf(const CdsStore& s, const Cds& c) { return turnOf(s.contigs[c.shape]); }
int64_t first(const CdsStore& s, const Cds& c) { return firstPosition(s, c); }
int64_t last(const CdsStore& s, const Cds& c) {  // unrolled
  const int32_t last = lastPosition(s, c);
  return last < firstPosition(s, c) ? last + turnOf(s, c) : last;
}
bool samePlace(const Cds& a, const Cds& b) { return a.file == b.file && a.contig == b.contig; }

void offer(Neighbour& n, uint32_t gene, int64_t gap) {
  if (!n.found || gap < n.gap) n = {true, gene, gap};
}

std::vector<Neighbours> reference(const CdsStore& s, const std::vector<GeneEntry>& genes) {
  std::vector<Neighbours> all(genes.size());
  for (size_t e = 0; e < genes.size(); ++e) {
    const Cds& me = s.cds[genes[e].cds];
    Neighbours& r = all[e];
    r.complement = me.flags & COMPLEMENT;
    if (me.nSegments == 0) continue;
    const int64_t len = turnOf(s, me);  // 0 on a linear contig: the shifted copy is the CDS itself
    for (const Cds& that : s.cds) {     // in listing order: ties to the first
      if (that.nSegments == 0 || !samePlace(me, that) || that.gene == me.gene) continue;
      for (int64_t shift : {int64_t{0}, len}) {
        if (first(s, that) - shift < first(s, me))
          offer(r.before, that.gene, first(s, me) - (last(s, that) - shift) - 1);
        if (last(s, that) + shift > last(s, me)) offer(r.after, that.gene, first(s, that) + shift - last(s, me) - 1);
      }
    }
    std::vector<std::pair<int64_t, uint32_t>> strand;  // the place's entries on this strand, in order
    for (const GeneEntry& o : genes) {
      const Cds& c = s.cds[o.cds];
      if (c.nSegments > 0 && samePlace(me, c) && (c.flags & COMPLEMENT) == (me.flags & COMPLEMENT))
        strand.push_back({first(s, c), o.cds});
    }
    std::sort(strand.begin(), strand.end());
    const size_t m = strand.size();
    const size_t at = std::find(strand.begin(), strand.end(), std::pair(first(s, me), genes[e].cds)) - strand.begin();
    const Cds &prev = s.cds[strand[(at + m - 1) % m].second], &next = s.cds[strand[(at + 1) % m].second];
    if (at > 0 || (len > 0 && m > 1))  // the first entry's previous is the last, a turn back
      r.prevSameStrand = {true, prev.gene, first(s, me) - last(s, prev) - 1 + (at == 0 ? len : 0)};
    if (at + 1 < m || (len > 0 && m > 1))
      r.nextSameStrand = {true, next.gene, first(s, next) - last(s, me) - 1 + (at + 1 == m ? len : 0)};
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
  for (int p = 0, kind = pick(4); p < shape.nPlaces; ++p, kind = pick(4))
    store.contigs.push_back({0, kind == 1 || kind == 2, kind == 1 || kind == 3 ? shape.range : 0});
  std::vector<ParsedCds> listed;
  for (int k = 0; k < shape.nCds; ++k) {
    const int p = pick(shape.nPlaces), style = pick(10), earlier = k > 0 ? pick(k) : -1;
    ParsedCds c{{}, static_cast<uint8_t>(pick(2) ? COMPLEMENT : 0), pick(8) ? std::to_string(pick(shape.nGenes)) : "",
                std::string("f").append(std::to_string(p / 3)), p % 3};
    uint32_t place = static_cast<uint32_t>(1 + p);  // contigs[place] is the place's shape
    const int64_t start = 1 + pick(shape.range), end = start + pick(shape.range / 4 + 1);
    const int32_t s = static_cast<int32_t>(start), e = static_cast<int32_t>(std::min<int64_t>(end, shape.range));
    if (style == 0 && earlier >= 0) c = listed[earlier], place = store.cds[earlier].shape;  // its gene again
    else if (style < 3 && earlier >= 0) c.segments = listed[earlier].segments;
    else if (end > shape.range && turnOf(store.contigs[place]) > 0)  // across the origin
      c.segments = {{s, shape.range}, {1, static_cast<int32_t>(end - shape.range)}};
    else if (style == 4) c.segments = {{e, s}};
    else if (style == 5 && e - s > 2) c.segments = {{s, s + (e - s) / 3}, {e - (e - s) / 3, e}};
    else if (style > 5) c.segments = {{s, e}};  // style 3: no segment
    listed.push_back(c);
    store.add(c);
    store.cds.back().shape = place;
  }
  return store;
}

TEST(Neighbours, AgainstEveryPair) {
  const Shape shapes[] = {{300, 2, 6, 400, 150}, {60, 1, 3, 50, 300}, {400, 9, 80, 100000, 60},
                          {150, 6, 100, 2000000000, 60}};
  // On a linear contig the table's spaces are the gaps raised to -1 and capped.
  auto space = [](const Neighbour& n) {
    return !n.found || n.gap >= NO_NEIGHBOUR_SPACE ? int64_t{NO_NEIGHBOUR_SPACE} : std::max<int64_t>(n.gap, -1);
  };
  for (const Shape& shape : shapes) {
    for (int seed = 1; seed <= shape.nSeeds; ++seed) {
      std::mt19937 rng(seed * 31 + shape.range);
      const CdsStore store = randomStore(rng, shape);
      const auto [genes, got] = analyseGenes(store, Sides::ALL);
      const std::vector<Neighbours> want = reference(store, genes);
      const GeneAnalysis spacesOnly = analyseGenes(store);
      const GeneAnalysis sameStrand = analyseGenes(store, Sides::SAME_STRAND);
      std::vector<Neighbours> strandOnly = sameStrand.neighbours;
      ASSERT_EQ(got.size(), genes.size());
      for (size_t e = 0; e < genes.size(); ++e) {
        const std::string where = "range " + std::to_string(shape.range) + ", seed " + std::to_string(seed) +
                                  ", entry " + std::to_string(e);
        ASSERT_EQ(show(store, got[e]), show(store, want[e])) << where;
        // The same-strand columns alone are the same; before and after unfound.
        strandOnly[e].before = want[e].before, strandOnly[e].after = want[e].after;
        ASSERT_EQ(show(store, strandOnly[e]), show(store, want[e])) << where << " (same strand only)";
        // The spaces follow the linear rules on every contig, whatever else is asked.
        ASSERT_EQ(genes[e].beforeSpace, spacesOnly.genes[e].beforeSpace) << where;
        ASSERT_EQ(genes[e].afterSpace, spacesOnly.genes[e].afterSpace) << where;
        ASSERT_EQ(sameStrand.genes[e].beforeSpace, spacesOnly.genes[e].beforeSpace) << where << " (same strand)";
        ASSERT_EQ(sameStrand.genes[e].afterSpace, spacesOnly.genes[e].afterSpace) << where << " (same strand)";
        if (turnOf(store, store.cds[genes[e].cds]) > 0) continue;
        ASSERT_EQ(genes[e].beforeSpace, space(got[e].before)) << where;
        ASSERT_EQ(genes[e].afterSpace, space(got[e].after)) << where;
      }
    }
  }
}

}  // namespace
