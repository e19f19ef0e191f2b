#include "analysis/gene_analyses.h"
#include "tests/analysis/test_table.h"

#include <gtest/gtest.h>

namespace {

constexpr int32_t NONE = NO_NEIGHBOUR_SPACE;

struct Spacing {
  int32_t before, after, first, last;
};

// Runs the pass over `listing` and compares every record's four values.
void check(const std::vector<TestCds>& listing, const std::vector<Spacing>& want) {
  makeTable(listing);
  calculateGeneSpacing();
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(records[i].beforeSpace, want[i].before) << "record " << i;
    EXPECT_EQ(records[i].afterSpace, want[i].after) << "record " << i;
    EXPECT_EQ(records[i].altCDSFirst, want[i].first) << "record " << i;
    EXPECT_EQ(records[i].altCDSLast, want[i].last) << "record " << i;
  }
}

TEST(GeneSpacing, NeighboursOnOneContig) {
  check({{"A", {{100, 200}}}}, {{NONE, NONE, 100, 200}});                                     // alone
  check({{"A", {{100, 200}}}, {"B", {{201, 300}}}}, {{NONE, 0, 100, 200}, {0, NONE, 201, 300}});  // abutting
  check({{"A", {{100, 200}}}, {"B", {{150, 300}}}}, {{NONE, -1, 100, 200}, {-1, NONE, 150, 300}});
  check({{"A", {{100, 500}}}, {"B", {{200, 300}}}}, {{NONE, NONE, 100, 500}, {-1, -1, 200, 300}});  // nested
  check({{"A", {{1, 10}}}, {"B", {{20, 30}}}, {"C", {{50, 60}}}},
        {{NONE, 9, 1, 10}, {9, 19, 20, 30}, {19, NONE, 50, 60}});
}

TEST(GeneSpacing, StrictComparisons) {
  // An equal start is not upstream, an equal end not downstream.
  check({{"A", {{100, 200}}}, {"B", {{100, 300}}}}, {{NONE, -1, 100, 200}, {NONE, NONE, 100, 300}});
  check({{"A", {{100, 300}}}, {"B", {{200, 300}}}}, {{NONE, NONE, 100, 300}, {-1, NONE, 200, 300}});
  // Segments are not sorted: first and last are taken as written.
  check({{"A", {{500, 600}, {10, 20}}}, {"B", {{30, 40}}}}, {{459, 9, 500, 20}, {NONE, NONE, 30, 40}});
}

TEST(GeneSpacing, TenMillionBasesCountAsNone) {
  check({{"A", {{1, 100}}}, {"B", {{10000101, 10000200}}}}, {{NONE, NONE, 1, 100}, {NONE, NONE, 10000101, 10000200}});
  check({{"A", {{1, 100}}}, {"B", {{10000100, 10000200}}}},
        {{NONE, 9999999, 1, 100}, {9999999, NONE, 10000100, 10000200}});
  // Extreme positions stay within 32 bits.
  check({{"A", {{0, 0}}}, {"B", {{2147483647, 2147483647}}}, {"C", {{0, 2147483647}}}},
        {{NONE, -1, 0, 0}, {-1, NONE, 2147483647, 2147483647}, {NONE, NONE, 0, 2147483647}});
}

TEST(GeneSpacing, EveryListingOfAGeneTakesPart) {
  // A's second listing ends closer to B, and both listings share A's span.
  check({{"A", {{100, 200}}}, {"B", {{300, 400}}}, {"A", {{90, 250}}}},
        {{NONE, 99, 90, 250}, {49, NONE, 300, 400}, {NONE, 49, 90, 250}});
  check({{"A", {{100, 200}}}, {"A", {{90, 210}}}}, {{NONE, NONE, 90, 210}, {NONE, NONE, 90, 210}});
}

TEST(GeneSpacing, PlacesAreFileAndContig) {
  check({{"A", {{100, 200}}, 1}, {"B", {{201, 300}}, 2}, {"A", {{50, 60}}, 2}, {"B", {{150, 160}}, 1, "g.gb"}},
        {{NONE, NONE, 100, 200}, {140, NONE, 201, 300}, {NONE, 140, 50, 60}, {NONE, NONE, 150, 160}});
}

TEST(GeneSpacing, RecordsWithoutSegmentsTakeNoPart) {
  check({{"A", {}}, {"A", {{100, 200}}}, {"B", {}}, {"C", {{150, 160}}}},
        {{NONE, NONE, 100, 200}, {NONE, NONE, 100, 200}, {NONE, NONE, 0, 0}, {-1, -1, 150, 160}});
}

}  // namespace
