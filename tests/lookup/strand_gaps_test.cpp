// The genes' gaps to the next entry on their strand, by bin, per file.

#include "lookup/file_summary.h"
#include "lookup/summary_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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

// Each gene counted in its own file's row, a file name escaped as in the table.
TEST(StrandGaps, CountedPerFileAndRendered) {
  CdsStore store;
  std::vector<GeneEntry> genes;
  std::vector<Neighbours> neighbours;
  for (const auto& [file, next] : {std::pair("a.gb", Neighbour{true, 0, -9}), {"b\tc", {true, 0, 7}},
                                   {"a.gb", {false, 0, 0}}, {"a.gb", {true, 0, 7}}}) {
    genes.push_back({static_cast<uint32_t>(store.cds.size()), 1, 0, NO_NEIGHBOUR_SPACE, NO_NEIGHBOUR_SPACE, 1, 2});
    store.add({{{1, 2}}, 0, std::to_string(genes.size()), file, 1});
    neighbours.push_back({false, {}, {}, {}, next});
  }
  std::vector<FileSummary> summaries;
  summariseFiles(store, genes, neighbours, summaries);
  const std::string text = renderStrandGapsTable(summaries);
  EXPECT_EQ(text.rfind("# id: 'tarn2_strand_gaps'\n", 0), 0u);
  EXPECT_NE(text.find("\n# plot_type: 'bargraph'\n"), std::string::npos);
  EXPECT_NE(text.find("\n#     'overlap >4':\n#         name: 'overlap >4'\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.find("\nfile\t") + 1),
            "file\toverlap >4\toverlap 1-4\t0-20\t21-50\t51-100\t101-200\t201-500\t>500\tnone\n"
            "a.gb\t1\t0\t1\t0\t0\t0\t0\t0\t1\n"
            "b\\tc\t0\t0\t1\t0\t0\t0\t0\t0\t0\n");
}

}  // namespace
