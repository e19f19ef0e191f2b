#include "app/table_run.h"
#include "listing/file_source.h"
#include "tests/e2e/case_file.h"
#include "tests/in_memory.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct Made {
  RunOutcome outcome;
  std::string table;  // tsv rows without the header, or t2
  int rewinds;
};

Made make(const std::string& listing, int threads, TableFormat format = TableFormat::TSV, size_t capacity = SIZE_MAX,
          size_t failAt = SIZE_MAX) {
  StringSource source(listing, 4096, failAt);
  StringSink sink(capacity);
  RunOutcome outcome = makeTable(source, sink, RunOptions{format, false, threads, {}});
  return {outcome, format == TableFormat::T2 ? sink.bytes : sink.bytes.substr(sink.bytes.find('\n') + 1), source.rewinds};
}

// The t2 table of a listing read whole and analysed at once.
std::string wholeRead(const std::string& listing) {
  StringSource source(listing);
  ListingReader reader(source);
  CdsStore store;
  ParsedCds cds;
  Problem problem;
  while (reader.next(cds, problem) == ListingReader::CDS_READ) store.add(cds);
  StringSink sink;
  TableWriter writer(sink, TableFormat::T2);
  EXPECT_TRUE(writer.add(store, analyseGenes(store)) && writer.finish());
  return sink.bytes;
}

// CDSs in runs of 50 by source file; the first file comes back at run `back`.
std::string ungrouped(int nCds, int back) {
  std::string listing;
  for (int k = 0; k < nCds; ++k) {
    const int at = 1 + (k * 7919) % 40000;
    listing += group(std::to_string(at) + ".." + std::to_string(at + k % 900), std::to_string(k % 13) + "g",
                     std::to_string(k / 50 == back ? 0 : k / 50) + ".gb", std::to_string(k % 2));
  }
  return listing;
}

TEST(MakeTable, SixGroupExample) {
  std::map<std::string, std::string> example = readCase("whole_run");
  for (int threads : {1, 2}) {
    Made made = make(example["given ecoli.listing"], threads, TableFormat::T2);
    EXPECT_TRUE(made.outcome.kind == RunOutcome::DONE && made.outcome.nCds == 6 && made.outcome.nGenes == 4);
    EXPECT_EQ(made.table, example["expect out.t2"]);
  }
}

TEST(MakeTable, UngroupedListingIsReadAgainWhole) {
  const std::string split = group("100..200", "x", "a.gb") + group("50..60", "z", "b.gb") +
                            group("210..300", "y", "a.gb") + group("150..400", "x", "a.gb");
  const std::string large = ungrouped(4000, 79);  // more than a write block before the file comes back
  for (int threads : {1, 2}) {
    Made made = make(split, threads);
    EXPECT_EQ(made.table, "100..200\tx\t2\t1\ta.gb\t1\t10000000\t9\t100\t400\n"
                          "50..60\tz\t1\t0\tb.gb\t1\t10000000\t10000000\t50\t60\n"
                          "210..300\ty\t1\t0\ta.gb\t1\t-1\t-1\t210\t300\n");
    EXPECT_TRUE(made.outcome.nGenes == 3 && made.rewinds == 1);
    made = make(large, threads, TableFormat::T2);
    EXPECT_TRUE(made.outcome.kind == RunOutcome::DONE && made.rewinds == 1 && made.table == wholeRead(large));
  }
  EXPECT_EQ(make(ungrouped(2000, -1), 2).rewinds, 0);
}

// Groups past the count of "#CDS=" lines are no CDSs; lines past the end read empty.
TEST(MakeTable, CountOutOfStepWithGroups) {
  const std::pair<std::string, std::string> cases[] = {
      {group("1..2", "a") + "#XXX=5..6\n#gene=b\n#file=f.gb\n#contig=1\nend\n" + group("7..8", "c", "g.gb"),
       "1..2\ta\t1\t0\tf.gb\t1\t10000000\t2\t1\t2\n5..6\tb\t1\t0\tf.gb\t1\t2\t10000000\t5\t6\n"},
      {"#XXX=1..2\n#gene=a\n#file=A\n#contig=1\nend\n#XXX=3..4\n#gene=b\n#file=B\n#contig=1\nend\n" + group("5..6", "c", "C"),
       "1..2\ta\t1\t0\tA\t1\t10000000\t10000000\t1\t2\n"},
      {"#CDS=1..2\n#gene=a\n#file=f.gb\n#contig=1\nend #CDS=\n",
       "1..2\ta\t1\t0\tf.gb\t1\t10000000\t10000000\t1\t2\n\t\t1\t0\t\t0\t10000000\t10000000\t0\t0\n"},
  };
  for (const auto& [listing, rows] : cases)
    for (int threads : {1, 2}) EXPECT_EQ(make(listing, threads).table, rows) << listing;
}

TEST(MakeTable, Outcomes) {
  const std::string g61(61, 'g'), large = ungrouped(6000, -1), ab = group("1..2", "a", "A") + group("3..4", "b", "B");
  // listing, sink capacity, source failing at, outcome, its nCds and refusedCds
  const std::tuple<std::string, size_t, size_t, RunOutcome::Kind, int64_t, int64_t> cases[] = {
      {ab + group("5..6", g61, "C") + group("7..8", "d"), SIZE_MAX, SIZE_MAX, RunOutcome::REFUSED, 4, 3},
      {ab + group("5..6", "c", "A") + group("7..8", g61), SIZE_MAX, SIZE_MAX, RunOutcome::REFUSED, 4, 4},
      {group("1..2", "a") + "#XXX=3..4\n#gene=" + g61 + "\n", SIZE_MAX, SIZE_MAX, RunOutcome::DONE, 1, 0},
      {group("1..2", "a"), 10, SIZE_MAX, RunOutcome::WRITE_FAILED, 1, 0},
      {large, 1000, SIZE_MAX, RunOutcome::WRITE_FAILED, 6000, 0},
      {large, SIZE_MAX, 50000, RunOutcome::READ_FAILED, 0, 0},
      {group("1..2", g61) + large, SIZE_MAX, 50000, RunOutcome::READ_FAILED, 0, 0},
  };
  for (const auto& [listing, capacity, failAt, kind, nCds, refusedCds] : cases)
    for (int threads : {1, 2}) {
      const RunOutcome outcome = make(listing, threads, TableFormat::T2, capacity, failAt).outcome;
      EXPECT_TRUE(outcome.kind == kind && outcome.nCds == nCds && outcome.refusedCds == refusedCds)
          << outcome.kind << " " << outcome.nCds << " " << outcome.refusedCds << " from " << listing.substr(0, 50);
      EXPECT_EQ(outcome.problem, kind == RunOutcome::REFUSED ? Problem::GENE_NAME_TOO_LONG : Problem{});
      EXPECT_EQ(outcome.readError, kind == RunOutcome::READ_FAILED ? "test read failure" : "");
    }
}

TEST(MakeTable, SpillingSourceRewindsAPipe) {
  std::signal(SIGPIPE, SIG_IGN);  // a run that stops early closes the pipe on the writer
  const std::string listing = ungrouped(3000, 2);
  int fds[2];
  ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
  std::thread writer([&] {
    for (ssize_t at = 0, n = 0; at < static_cast<ssize_t>(listing.size()) && n >= 0; at += n)
      n = write(fds[1], listing.data() + at, listing.size() - static_cast<size_t>(at));
    close(fds[1]);
  });
  FILE* spill = std::tmpfile();
  SpillingSource source(fds[0], fileno(spill));
  StringSink sink;
  const RunOutcome outcome = makeTable(source, sink, RunOptions{TableFormat::T2, false, 2, {}});
  close(fds[0]);
  writer.join();
  std::fclose(spill);
  EXPECT_TRUE(outcome.kind == RunOutcome::DONE && sink.bytes == wholeRead(listing));
}

}  // namespace
