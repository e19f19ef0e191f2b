// analyseGenes against a plain every-pair computation on seeded random listings:
// dense ones (one place, few genes, ties, overlaps, repeats, alternatives), sparse
// ones, and genes of many listings drawn from a few segments, (0, 0) among them.

#include "analysis/analyse_genes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

namespace {

bool samePlace(const ParsedCds& a, const ParsedCds& b) { return a.file == b.file && a.contig == b.contig; }
bool sameGene(const ParsedCds& a, const ParsedCds& b) { return samePlace(a, b) && a.gene == b.gene; }
int32_t first(const ParsedCds& c) { return c.segments.front().start; }
int32_t last(const ParsedCds& c) { return c.segments.back().end; }

bool matches(const std::vector<Segment>& later, const std::vector<Segment>& known) {
  for (size_t r = 0; r < later.size(); ++r) {
    const Segment k = r < known.size() ? known[r] : Segment{0, 0};
    if (later[r].start != k.start || later[r].end != k.end) return false;
  }
  return true;
}

std::vector<GeneEntry> reference(const std::vector<ParsedCds>& cds) {
  std::vector<GeneEntry> entries;
  for (size_t i = 0; i < cds.size(); ++i) {
    const ParsedCds& me = cds[i];  // a gene's first listing
    if (std::any_of(cds.begin(), cds.begin() + i, [&](const ParsedCds& c) { return sameGene(c, me); })) continue;
    GeneEntry e{static_cast<uint32_t>(i), 0, 0, NO_NEIGHBOUR_SPACE, NO_NEIGHBOUR_SPACE, 0, 0};
    std::vector<std::vector<Segment>> lists{me.segments};
    bool spanned = false;
    for (const ParsedCds& c : cds) {
      if (!sameGene(me, c)) continue;
      ++e.nListings;
      if (std::none_of(lists.begin(), lists.end(), [&](const auto& list) { return matches(c.segments, list); }))
        lists.push_back(c.segments), ++e.nAlt;
      if (c.segments.empty()) continue;
      e.altCDSFirst = spanned ? std::min(e.altCDSFirst, first(c)) : first(c);
      e.altCDSLast = spanned ? std::max(e.altCDSLast, last(c)) : last(c);
      spanned = true;
    }
    auto space = [](int64_t gap) { return static_cast<int32_t>(std::max<int64_t>(-1, gap)); };
    for (const ParsedCds& c : cds) {
      if (me.segments.empty() || c.segments.empty() || !samePlace(me, c) || sameGene(me, c)) continue;
      if (first(c) < first(me)) e.beforeSpace = std::min(e.beforeSpace, space(int64_t{first(me)} - last(c) - 1));
      if (last(c) > last(me)) e.afterSpace = std::min(e.afterSpace, space(int64_t{first(c)} - last(me) - 1));
    }
    entries.push_back(e);
  }
  return entries;
}

struct Shape {
  int nCds, nGenes, nPlaces, positionRange, maxLength, maxSegments, nSeeds;
};

std::vector<ParsedCds> randomListing(std::mt19937& rng, const Shape& shape) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::vector<ParsedCds> listing(shape.nCds);
  for (int k = 0; k < shape.nCds; ++k) {
    ParsedCds& cds = listing[k];
    if (pick(10) != 0) cds.gene = std::to_string(pick(shape.nGenes));  // an empty name now and then
    const int place = pick(shape.nPlaces), style = pick(10);
    cds.contig = place % 3;
    cds.file = std::to_string(place / 3);
    if (style < 3 && k > 0) {  // repeats and prefixes of earlier segment lists
      cds.segments = listing[pick(k)].segments;
      if (style == 0 && cds.segments.size() > 1) cds.segments.resize(1 + pick(static_cast<int>(cds.segments.size())));
    } else if (style > 3) {  // style 3: no complete segment
      for (int at = pick(shape.positionRange), s = 1 + pick(shape.maxSegments); s > 0; --s) {
        const int32_t start = at + pick(shape.maxLength), length = pick(shape.maxLength);
        cds.segments.push_back({start, pick(20) == 0 ? std::max(start - length, 0) : pick(30) == 0 ? start : start + length});
        at = start;
      }
      if (pick(50) == 0) cds.segments.back().end = MAX_NUMBER;
    }
  }
  return listing;
}

// Two genes of one place: each listing four segments at most, (0, 0) among
// them, or an earlier one cut short or given a tail of (0, 0), or none.
std::vector<ParsedCds> sharedPrefixListing(std::mt19937& rng, int nCds) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const Segment alphabet[] = {{0, 0}, {1, 10}, {1, 11}, {0, 5}};
  std::vector<ParsedCds> listing(nCds);
  for (int k = 0; k < nCds; ++k) {
    ParsedCds& cds = listing[k];
    cds.gene = std::to_string(pick(2));
    const int style = pick(8);
    if (style == 0) continue;
    if (style < 5 && k > 0) cds.segments = listing[pick(k)].segments;
    if (style == 1 && !cds.segments.empty()) cds.segments.resize(pick(static_cast<int>(cds.segments.size())));
    if (style == 2) cds.segments.resize(cds.segments.size() + 1 + pick(3), Segment{0, 0});
    for (int s = style >= 3 ? pick(style == 3 ? 2 : 5) : 0; s > 0; --s) cds.segments.push_back(alphabet[pick(4)]);
  }
  return listing;
}

// The seeded listing's entries are the reference's.
void expectReferenceOn(const std::vector<ParsedCds>& listing, int seed) {
  auto fields = [](const GeneEntry& e) {
    return std::tuple(e.cds, e.nListings, e.nAlt, e.beforeSpace, e.afterSpace, e.altCDSFirst, e.altCDSLast);
  };
  CdsStore store;
  for (const ParsedCds& cds : listing) store.add(cds);
  const std::vector<GeneEntry> got = analyseGenes(store).genes, want = reference(listing);
  ASSERT_EQ(got.size(), want.size()) << "seed " << seed;
  for (size_t g = 0; g < got.size(); ++g) ASSERT_EQ(fields(got[g]), fields(want[g])) << "seed " << seed << ", gene " << g;
}

TEST(PairwiseReference, RandomListings) {
  const Shape shapes[] = {{300, 6, 1, 400, 60, 3, 200}, {400, 80, 9, 100000, 3000, 5, 100},
                          {200, 150, 30, 2000000000, 20000000, 4, 100}};
  for (const Shape& shape : shapes) {
    for (int seed = 1; seed <= shape.nSeeds; ++seed) {
      std::mt19937 rng(seed * 7 + shape.nPlaces);
      ASSERT_NO_FATAL_FAILURE(expectReferenceOn(randomListing(rng, shape), seed));
    }
  }
  for (int seed = 1; seed <= 300; ++seed) {
    std::mt19937 rng(seed);
    ASSERT_NO_FATAL_FAILURE(expectReferenceOn(sharedPrefixListing(rng, 5 + seed % 60), seed)) << "shared prefixes";
  }
}

}  // namespace
