#include "analysis/gene_analyses.h"
#include "tests/analysis/test_table.h"

#include <gtest/gtest.h>

namespace {

struct Listing {
  int32_t isFirst, nListings, nAlt;
};

void check(const std::vector<TestCds>& listing, const std::vector<Listing>& want) {
  makeTable(listing);
  findMultipleListings();
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(records[i].isFirstListing, want[i].isFirst) << "record " << i;
    EXPECT_EQ(records[i].nListings, want[i].nListings) << "record " << i;
    EXPECT_EQ(records[i].nAlt, want[i].nAlt) << "record " << i;
  }
}

const std::vector<Segment> X = {{1, 10}};
const std::vector<Segment> Y = {{5, 10}};
const std::vector<Segment> XJOIN = {{1, 10}, {20, 30}};

TEST(MultipleListings, CountsListingsAndAlternatives) {
  check({{"A", X}}, {{1, 1, 0}});
  check({{"A", X}, {"A", Y}, {"A", X}}, {{1, 3, 1}, {0, 1, 0}, {0, 1, 0}});
  check({{"A", X}, {"B", Y}, {"A", X}, {"B", X}}, {{1, 2, 0}, {1, 2, 1}, {0, 1, 0}, {0, 1, 0}});
}

TEST(MultipleListings, ComparesOnlyTheLaterListingsSegments) {
  check({{"A", XJOIN}, {"A", X}}, {{1, 2, 0}, {0, 1, 0}});  // a leading part matches
  check({{"A", X}, {"A", XJOIN}}, {{1, 2, 1}, {0, 1, 0}});  // its second segment meets (0, 0)
  check({{"A", XJOIN}, {"A", X}, {"A", XJOIN}, {"A", Y}}, {{1, 4, 1}, {0, 1, 0}, {0, 1, 0}, {0, 1, 0}});
  // A stored variant reads as (0, 0) past its own segments, even against 0..0.
  check({{"A", X}, {"A", {{1, 10}, {0, 0}}}}, {{1, 2, 0}, {0, 1, 0}});
  check({{"A", X}, {"A", {}}}, {{1, 2, 0}, {0, 1, 0}});  // no segment matches the first variant
  // A start left without its end is not part of the stored variant.
  check({{"A", X, 1, "f.gb", 20}, {"A", {{1, 10}, {20, 0}}}}, {{1, 2, 1}, {0, 1, 0}});
}

TEST(MultipleListings, OrderOfAlternativesCounts) {
  // Y..., then its leading part: matches Y. The other order makes two variants.
  check({{"A", X}, {"A", {{7, 8}, {9, 9}}}, {"A", {{7, 8}}}}, {{1, 3, 1}, {0, 1, 0}, {0, 1, 0}});
  check({{"A", X}, {"A", {{7, 8}}}, {"A", {{7, 8}, {9, 9}}}}, {{1, 3, 2}, {0, 1, 0}, {0, 1, 0}});
}

TEST(MultipleListings, SameGeneNeedsSameFileAndContig) {
  check({{"A", X, 1}, {"A", X, 2}, {"A", X, 1, "g.gb"}, {"", X}, {"", Y}},
        {{1, 1, 0}, {1, 1, 0}, {1, 1, 0}, {1, 2, 1}, {0, 1, 0}});
}

TEST(MultipleListings, MoreThanOneHundredFiftyAlternatives) {
  std::vector<TestCds> listing;
  for (int v = 0; v < 400; ++v) listing.push_back({"A", {{v, v + 1}}});
  listing.push_back({"A", {{399, 400}}});
  makeTable(listing);
  findMultipleListings();
  EXPECT_EQ(records[0].nListings, 401);
  EXPECT_EQ(records[0].nAlt, 399);
}

}  // namespace
