#include "lookup/file_summary.h"
#include "lookup/summary_report.h"
#include "run/make_table.h"
#include "tests/in_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>

namespace {

// Several source files, each one's CDSs together unless `fileComesBack`, on a
// 10-base grid so that genes overlap, abut and lie apart, now and then 10^7
// bases away; names from a small pool give repeats and alternatives.
std::string randomListing(std::mt19937& rng, bool fileComesBack) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::string listing, firstFile;
  for (int f = 0, nFiles = 1 + pick(5); f < nFiles; ++f) {
    const std::string file = std::string("s").append(std::to_string(f)).append(pick(2) ? ".gb" : "");
    for (int k = 0, n = pick(80); k < n; ++k) {
      const int start = 10 * (pick(20) == 0 ? pick(2000000) : pick(300)) + 1, end = start + 10 * pick(30) + 9;
      std::string location = pick(8) == 0 ? "<" : "";
      location.append(std::to_string(start)).append(pick(8) == 0 ? "..>" : "..").append(std::to_string(end));
      if (pick(15) == 0) location = pick(2) ? "unknown" : "join(<";
      if (pick(4) == 0) location = std::string("complement(").append(location).append(")");
      listing += group(location, std::string("g").append(std::to_string(pick(30))), file, std::to_string(pick(3)));
    }
    if (f == 0) firstFile = file;
  }
  return fileComesBack ? listing + group("5..9", "back", firstFile) : listing;
}

// The summaries worked out from the listing's groups and the t2 entries,
// reading fixed line positions as both are written.
std::vector<FileSummary> expectedSummaries(const std::string& listing, const std::string& t2) {
  std::vector<std::string> groups, entries;
  std::istringstream l(listing), t(t2);
  for (std::string line; std::getline(l, line);) groups.push_back(line);
  for (std::string line; std::getline(t, line);) entries.push_back(line);
  std::vector<FileSummary> summaries;
  std::map<std::string, std::pair<std::set<std::string>, std::vector<int32_t>>> contigsAndGaps;
  auto of = [&](const std::string& file) -> FileSummary& {
    for (FileSummary& s : summaries)
      if (s.file == file) return s;
    return summaries.emplace_back(FileSummary{file});
  };
  for (size_t g = 0; g + 4 < groups.size(); g += 5) {
    const std::string location = groups[g].substr(5), file = groups[g + 2].substr(6);
    FileSummary& s = of(file);
    ++s.cds;
    s.partialCds += location.find_first_of("<>") != std::string::npos;
    s.cdsWithoutSegments += location.find_first_of("0123456789") == std::string::npos;
    contigsAndGaps[file].first.insert(groups[g + 3].substr(8));
  }
  for (size_t e = 0; e + 10 < entries.size(); e += 11) {
    const std::string file = entries[e + 4].substr(6);
    const int nListings = std::stoi(entries[e + 2].substr(11)), nAlt = std::stoi(entries[e + 3].substr(6));
    const int before = std::stoi(entries[e + 6].substr(13)), after = std::stoi(entries[e + 7].substr(12));
    FileSummary& s = of(file);
    ++s.genes;
    s.multiListed += nListings > 1;
    s.withAlternatives += nAlt > 0;
    s.overlappingGenes += before == -1 || after == -1;
    s.abuttingGenes += (before == 0 || after == 0) && before != -1 && after != -1;
    s.isolatedGenes += before == 10000000 && after == 10000000;
    const int bin = after == -1 ? 0 : after == 0 ? 1 : after <= 20 ? 2 : after <= 50 ? 3 : after <= 100 ? 4
                    : after <= 200 ? 5 : after <= 500 ? 6 : after <= 1000 ? 7 : after <= 5000 ? 8
                    : after < 10000000 ? 9 : 10;
    ++s.gapBins[bin];
    if (bin > 0 && bin < 10) contigsAndGaps[file].second.push_back(after);
  }
  for (FileSummary& s : summaries) {
    auto& [contigs, gaps] = contigsAndGaps[s.file];
    s.contigs = static_cast<int64_t>(contigs.size());
    std::sort(gaps.begin(), gaps.end());
    s.nGaps = static_cast<int64_t>(gaps.size());
    const double n = static_cast<double>(gaps.size());
    if (n > 0) {
      s.gapQ1 = gaps[static_cast<size_t>(std::ceil(0.25 * n)) - 1];
      s.gapMedian = gaps[static_cast<size_t>(std::ceil(0.5 * n)) - 1];
      s.gapQ3 = gaps[static_cast<size_t>(std::ceil(0.75 * n)) - 1];
    }
  }
  return summaries;
}

TEST(FileSummary, RandomListingsAgainstTheirTables) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    std::mt19937 rng(seed);
    const bool fileComesBack = seed % 3 == 0;  // then the store holds every file at once
    const std::string listing = randomListing(rng, fileComesBack);
    for (int threads : {1, 2, 3, 8}) {
      StringSource source(listing, 4096);
      StringSink sink;
      std::vector<FileSummary> summaries;
      RunOptions options{TableFormat::T2, false, threads, {}, &summaries};
      ASSERT_EQ(makeTable(source, sink, options).kind, RunOutcome::DONE);
      const std::vector<FileSummary> expected = expectedSummaries(listing, sink.bytes);
      EXPECT_EQ(renderSummaryTable(summaries), renderSummaryTable(expected)) << "seed " << seed;
      EXPECT_EQ(renderGapsTable(summaries), renderGapsTable(expected)) << "seed " << seed;
    }
  }
}

// One file of one CDS per after-space: the gaps' quartiles by nearest rank.
TEST(FileSummary, Quartiles) {
  // after-spaces; q1, median, q3, or nothing when none has a next gene
  const std::pair<std::vector<int32_t>, std::vector<int32_t>> cases[] = {
      {{}, {}},
      {{-1, 10000000}, {}},
      {{7}, {7, 7, 7}},
      {{9, 3}, {3, 3, 9}},
      {{0, -1, 9999999, 10000000}, {0, 0, 9999999}},
      {{30, 10, 20}, {10, 20, 30}},
      {{4, 1, 3, 2}, {1, 2, 3}},
      {{50, 10, 40, 20, 30}, {20, 30, 40}},
      {{5, 5, 1, 5, 1}, {1, 5, 5}},
  };
  for (const auto& [spaces, quartiles] : cases) {
    CdsStore store;
    std::vector<GeneEntry> genes;
    for (int32_t space : spaces) {
      genes.push_back({static_cast<uint32_t>(store.cds.size()), 1, 0, NO_NEIGHBOUR_SPACE, space, 1, 2});
      store.add({{{1, 2}}, 0, std::to_string(genes.size()), "f.gb", 1});
    }
    std::vector<FileSummary> summaries;
    summariseFiles(store, genes, std::vector<Neighbours>(genes.size()), summaries);
    const FileSummary s = summaries.empty() ? FileSummary{} : summaries[0];
    const std::vector<int32_t> got =
        s.nGaps == 0 ? std::vector<int32_t>{} : std::vector<int32_t>{s.gapQ1, s.gapMedian, s.gapQ3};
    EXPECT_EQ(got, quartiles) << ::testing::PrintToString(spaces);
  }
}

}  // namespace
