// The genes' gaps to the next entry on their strand, by bin, per file.

#include "lookup/file_summary.h"
#include "lookup/summary_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

TEST(StrandGaps, BinBoundaries) {
  const std::pair<Neighbour, std::string> cases[] = {
      {{true, 0, -5}, "overlap >4"},  {{true, 0, -4}, "overlap 1-4"}, {{true, 0, -1}, "overlap 1-4"},
      {{true, 0, 0}, "0-20"},         {{true, 0, 20}, "0-20"},        {{true, 0, 21}, "21-50"},
      {{true, 0, 500}, "201-500"},    {{true, 0, 501}, ">500"},       {{false, 0, 0}, "none"},
      {{true, 0, INT64_MIN}, "overlap >4"}, {{true, 0, INT64_MAX}, ">500"},
  };
  for (const auto& [next, label] : cases) EXPECT_EQ(STRAND_GAP_BIN_LABELS[strandGapBin(next)], label) << next.gap;
}

// Two files, their genes' next entries given: each counted in its own file's row.
TEST(StrandGaps, CountedPerFileAndRendered) {
  CdsStore store;
  std::vector<GeneEntry> genes;
  std::vector<Neighbours> neighbours;
  const std::tuple<const char*, bool, int64_t> rows[] = {
      {"a.gb", true, -9}, {"a.gb", true, 7}, {"b\tc", true, 7}, {"a.gb", false, 0}, {"a.gb", true, 7}};
  for (const auto& [file, found, gap] : rows) {
    genes.push_back({static_cast<uint32_t>(store.cds.size()), 1, 0, NO_NEIGHBOUR_SPACE, NO_NEIGHBOUR_SPACE, 1, 2});
    store.add({{{1, 2}}, 0, std::to_string(genes.size()), file, 1});
    neighbours.push_back({});
    neighbours.back().nextSameStrand = {found, 0, gap};
  }
  std::vector<FileSummary> summaries;
  summariseFiles(store, genes, neighbours, summaries);
  const std::string text = renderStrandGapsTable(summaries);
  const size_t table = text.find("\nfile\t") + 1;
  EXPECT_EQ(text.substr(table),
            "file\toverlap >4\toverlap 1-4\t0-20\t21-50\t51-100\t101-200\t201-500\t>500\tnone\n"
            "a.gb\t1\t0\t2\t0\t0\t0\t0\t0\t1\n"
            "b\\tc\t0\t0\t1\t0\t0\t0\t0\t0\t0\n");
  EXPECT_EQ(text.rfind("# id: 'tarn2_strand_gaps'\n", 0), 0u);
  EXPECT_NE(text.find("\n# plot_type: 'bargraph'\n"), std::string::npos);
  EXPECT_NE(text.find("\n#     'overlap >4':\n#         name: 'overlap >4'\n"), std::string::npos);
  EXPECT_EQ(text.find('#', table), std::string::npos) << "no settings line after the header";
}

}  // namespace
