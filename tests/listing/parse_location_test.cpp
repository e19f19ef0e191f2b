#include "listing/cds_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Expected {
  std::vector<Segment> segments;
  int partialLeft = 0;
  int partialRight = 0;
};

// Parses "#CDS=" + location into a zero-filled record and compares the
// counted segments and both flags.
void check(const std::string& location, const Expected& want) {
  static CdsRecord record;
  std::memset(&record, 0, sizeof record);
  EXPECT_EQ(parseLocation("#CDS=" + location, record), nullptr) << location;
  ASSERT_EQ(record.nSegments, static_cast<int32_t>(want.segments.size())) << location;
  for (size_t s = 0; s < want.segments.size(); ++s) {
    EXPECT_EQ(record.segments[s].start, want.segments[s].start) << location << " segment " << s;
    EXPECT_EQ(record.segments[s].end, want.segments[s].end) << location << " segment " << s;
  }
  EXPECT_EQ(record.partialLeft, want.partialLeft) << location;
  EXPECT_EQ(record.partialRight, want.partialRight) << location;
}

void checkRefused(const std::string& location, const char* problem) {
  static CdsRecord record;
  std::memset(&record, 0, sizeof record);
  const char* got = parseLocation("#CDS=" + location, record);
  ASSERT_NE(got, nullptr) << location;
  EXPECT_STREQ(got, problem);
}

std::string manySegments(int n) {
  std::string location = "join(";
  for (int s = 1; s <= n; ++s) {
    if (s > 1) location += ',';
    location += std::to_string(10 * s);
    location += "..";
    location += std::to_string(10 * s + 5);
  }
  return location + ")";
}

TEST(ParseLocation, Plain) {
  check("190..255", {{{190, 255}}});
  check("0..0", {{{0, 0}}});
  check("", {});
  check("2147483647..2147483647", {{{2147483647, 2147483647}}});
}

TEST(ParseLocation, ComplementAndJoin) {
  check("complement(123..456)", {{{123, 456}}});
  check("join(1..5,7,9..10)", {{{1, 5}, {7, 7}, {9, 10}}});
  check("complement(join(281..300,310..373))", {{{281, 300}, {310, 373}}});
}

TEST(ParseLocation, Partial) {
  check("complement(join(<1..100,200..>300))", {{{1, 100}, {200, 300}}, 1, 1});
  check("<5..>9", {{{5, 9}}, 1, 1});
  check("5..>9", {{{5, 9}}, 0, 1});
  check("join(<1..2,3..4)", {{{1, 2}, {3, 4}}, 1, 0});
}

TEST(ParseLocation, SinglePositions) {
  check("123", {{{123, 123}}});
  check("join(7,8)", {{{7, 7}, {8, 8}}});
  check("complement(42)", {{{42, 42}}});
}

TEST(ParseLocation, OddText) {
  check("100..", {});                              // a start without its end is not a segment
  check("100 to 200", {{{100, 200}}});             // any text pairs a start with the next number
  check("order(1..2;3..4)", {{{1, 2}, {3, 4}}});
  check("1^2", {{{1, 2}}});
  check("007..010", {{{7, 10}}});
  check("ab", {});
  check("1..2 note x3", {{{1, 2}, {3, 3}}});        // every digit run counts, wherever it stands
}

TEST(ParseLocation, ShortLines) {
  static CdsRecord record;
  std::memset(&record, 0, sizeof record);
  EXPECT_EQ(parseLocation("#CDS", record), nullptr);
  EXPECT_EQ(parseLocation("12345", record), nullptr);  // the location starts after index 4
  EXPECT_EQ(record.nSegments, 0);
}

TEST(ParseLocation, Capacities) {
  check(manySegments(MAX_SEGMENTS), [] {
    Expected e;
    for (int s = 1; s <= MAX_SEGMENTS; ++s) e.segments.push_back({10 * s, 10 * s + 5});
    return e;
  }());
  checkRefused(manySegments(MAX_SEGMENTS + 1), "HAS MORE THAN 500 SEGMENTS");
  checkRefused(manySegments(MAX_SEGMENTS) + "7..", "HAS MORE THAN 500 SEGMENTS");
  checkRefused("1..2147483648", "HAS A POSITION ABOVE 2147483647");
  checkRefused("99999999999999999999999", "HAS A POSITION ABOVE 2147483647");
  check("00000000000000000001..2", {{{1, 2}}});  // leading zeros are not an overflow
}

}  // namespace
