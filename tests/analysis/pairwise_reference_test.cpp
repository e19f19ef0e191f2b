// The analysis passes against a plain pairwise computation of the same
// results, on seeded random tables: dense ones (one contig, few genes, many
// ties, overlaps, repeats and alternatives) and sparse ones.

#include "analysis/gene_analyses.h"
#include "tests/analysis/test_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

struct Derived {
  int32_t beforeSpace, afterSpace, altCDSFirst, altCDSLast, nListings, nAlt, isFirstListing;
};

bool samePlace(const CdsRecord& a, const CdsRecord& b) {
  return a.contig == b.contig && std::strcmp(a.file, b.file) == 0;
}
bool sameGene(const CdsRecord& a, const CdsRecord& b) { return samePlace(a, b) && std::strcmp(a.gene, b.gene) == 0; }

// Every pair, as the results are defined; records without segments are nobody's neighbour.
void referenceSpacing(std::vector<Derived>& out) {
  for (int32_t i = 0; i < nCds; ++i) {
    const CdsRecord& ri = records[i];
    bool hasSpan = false;
    int32_t lo = 0, hi = 0;
    for (int32_t j = 0; j < nCds; ++j) {
      const CdsRecord& rj = records[j];
      if (!sameGene(ri, rj) || rj.nSegments == 0) continue;
      lo = hasSpan ? std::min(lo, firstPosition(rj)) : firstPosition(rj);
      hi = hasSpan ? std::max(hi, lastPosition(rj)) : lastPosition(rj);
      hasSpan = true;
    }
    int64_t before = NO_NEIGHBOUR_SPACE, after = NO_NEIGHBOUR_SPACE;
    for (int32_t j = 0; j < nCds && ri.nSegments > 0; ++j) {
      const CdsRecord& rj = records[j];
      if (j == i || rj.nSegments == 0 || !samePlace(ri, rj) || sameGene(ri, rj)) continue;
      if (firstPosition(rj) < firstPosition(ri))
        before = std::min(before, std::max<int64_t>(-1, int64_t{firstPosition(ri)} - lastPosition(rj) - 1));
      if (lastPosition(ri) < lastPosition(rj))
        after = std::min(after, std::max<int64_t>(-1, int64_t{firstPosition(rj)} - lastPosition(ri) - 1));
    }
    out[i].beforeSpace = static_cast<int32_t>(before);
    out[i].afterSpace = static_cast<int32_t>(after);
    out[i].altCDSFirst = lo;
    out[i].altCDSLast = hi;
  }
}

// A fixed store of segment lists, cleared for every group; a later listing
// is compared over its own segments only.
void referenceListings(std::vector<Derived>& out) {
  for (int32_t i = 0; i < nCds; ++i) out[i] = {out[i].beforeSpace, out[i].afterSpace, out[i].altCDSFirst,
                                              out[i].altCDSLast, 1, 0, 1};
  std::vector<std::vector<Segment>> store;
  for (int32_t i = 0; i < nCds; ++i) {
    if (!out[i].isFirstListing) continue;
    store.assign(1, std::vector<Segment>(MAX_SEGMENTS, Segment{0, 0}));
    std::copy(records[i].segments, records[i].segments + records[i].nSegments, store[0].begin());
    for (int32_t j = i + 1; j < nCds; ++j) {
      if (!out[j].isFirstListing || !sameGene(records[i], records[j])) continue;
      ++out[i].nListings;
      out[j].isFirstListing = 0;
      int unmatched = 0;
      for (const auto& variant : store) {
        for (int32_t r = 0; r < records[j].nSegments; ++r) {
          if (records[j].segments[r].start != variant[r].start || records[j].segments[r].end != variant[r].end) {
            ++unmatched;
            break;
          }
        }
      }
      if (unmatched == static_cast<int>(store.size())) {
        store.emplace_back(MAX_SEGMENTS, Segment{0, 0});
        std::copy(records[j].segments, records[j].segments + records[j].nSegments, store.back().begin());
        ++out[i].nAlt;
      }
    }
  }
}

struct Shape {
  int nRecords, nGenes, nPlaces, positionRange, maxLength, maxSegments;
};

std::vector<TestCds> randomListing(std::mt19937& rng, const Shape& shape) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::vector<TestCds> listing;
  std::vector<std::vector<Segment>> recent;  // reused so that repeats and leading parts occur
  for (int k = 0; k < shape.nRecords; ++k) {
    TestCds cds;
    if (pick(10) != 0) cds.gene = std::to_string(pick(shape.nGenes));  // an empty name now and then
    int place = pick(shape.nPlaces);
    cds.contig = place % 3;
    cds.file = "file";
    cds.file += std::to_string(place / 3);
    int style = pick(10);
    if (style < 3 && !recent.empty()) {
      cds.segments = recent[pick(static_cast<int>(recent.size()))];
      if (style == 0 && cds.segments.size() > 1) cds.segments.resize(1 + pick(static_cast<int>(cds.segments.size())));
    } else if (style == 3) {
      // no complete segment
    } else {
      int n = 1 + pick(shape.maxSegments);
      int32_t at = pick(shape.positionRange);
      for (int s = 0; s < n; ++s) {
        int32_t start = at + pick(shape.maxLength);
        int32_t end = pick(20) == 0 ? start - pick(shape.maxLength) : start + pick(shape.maxLength);
        if (pick(30) == 0) end = start;
        cds.segments.push_back({start, std::max(end, 0)});
        at = start;
      }
    }
    if (pick(50) == 0 && !cds.segments.empty()) cds.segments.back().end = 2147483647;
    if (pick(8) == 0 && cds.segments.size() < MAX_SEGMENTS) cds.danglingStart = pick(shape.positionRange);
    recent.push_back(cds.segments);
    listing.push_back(cds);
  }
  return listing;
}

void compareWithReference(const Shape& shape, unsigned seed) {
  std::mt19937 rng(seed);
  makeTable(randomListing(rng, shape));
  std::vector<Derived> want(nCds);
  referenceSpacing(want);
  referenceListings(want);
  calculateGeneSpacing();
  findMultipleListings();
  for (int32_t i = 0; i < nCds; ++i) {
    const CdsRecord& r = records[i];
    ASSERT_EQ(r.beforeSpace, want[i].beforeSpace) << "seed " << seed << " record " << i;
    ASSERT_EQ(r.afterSpace, want[i].afterSpace) << "seed " << seed << " record " << i;
    ASSERT_EQ(r.altCDSFirst, want[i].altCDSFirst) << "seed " << seed << " record " << i;
    ASSERT_EQ(r.altCDSLast, want[i].altCDSLast) << "seed " << seed << " record " << i;
    ASSERT_EQ(r.nListings, want[i].nListings) << "seed " << seed << " record " << i;
    ASSERT_EQ(r.nAlt, want[i].nAlt) << "seed " << seed << " record " << i;
    ASSERT_EQ(r.isFirstListing, want[i].isFirstListing) << "seed " << seed << " record " << i;
  }
}

TEST(PairwiseReference, DenseTables) {
  for (unsigned seed = 1; seed <= 300; ++seed) compareWithReference({300, 6, 1, 400, 60, 3}, seed);
}

TEST(PairwiseReference, ManyGenesAndPlaces) {
  for (unsigned seed = 1001; seed <= 1200; ++seed) compareWithReference({400, 80, 9, 100000, 3000, 5}, seed);
}

TEST(PairwiseReference, SparseTables) {
  for (unsigned seed = 2001; seed <= 2100; ++seed)
    compareWithReference({200, 150, 30, 2000000000, 20000000, 4}, seed);
}

}  // namespace
