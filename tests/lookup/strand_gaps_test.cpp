// The bins of the gaps to the next entry on a gene's strand (the rows of the
// summary file are in the summary case).

#include "lookup/file_summary.h"
#include "lookup/summary_report.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TEST(StrandGaps, BinBoundaries) {
  const std::pair<Neighbour, std::string> cases[] = {
      {{true, 0, INT64_MIN}, "overlap >4"}, {{true, 0, -5}, "overlap >4"}, {{true, 0, -4}, "overlap 1-4"},
      {{true, 0, -1}, "overlap 1-4"},       {{true, 0, 0}, "0-20"},        {{true, 0, 20}, "0-20"},
      {{true, 0, 21}, "21-50"},             {{true, 0, 500}, "201-500"},   {{true, 0, 501}, ">500"},
      {{true, 0, INT64_MAX}, ">500"},       {{false, 0, 0}, "none"},
  };
  for (const auto& [next, label] : cases) EXPECT_EQ(STRAND_GAP_BIN_LABELS[strandGapBin(next)], label) << next.gap;
}

}  // namespace
