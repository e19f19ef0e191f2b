#include "io/line_feeds.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Line feeds counted wherever they fall in the 64 bytes of a round, and
// past what one lane holds in a run of rounds.
TEST(LineFeeds, CountedWhereverTheyFall) {
  const std::string feeds(64 * 300 + 7, '\n');
  const struct {
    std::string text;
    size_t count;
  } cases[] = {
      {"", 0},
      {"\n", 1},
      {"a\nb", 1},
      {std::string(63, 'a') + "\n", 1},
      {std::string(64, 'a') + "\n\n", 2},
      {"\n" + std::string(200, 'x') + "\n", 2},
      {feeds, feeds.size()},
  };
  for (size_t k = 0; k < std::size(cases); ++k) EXPECT_EQ(countLineFeeds(cases[k].text), cases[k].count) << "case " << k;
}

}  // namespace
