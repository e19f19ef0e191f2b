#include "analysis/analyse_genes.h"
#include "listing/listing_reader.h"
#include "io/file_listing.h"
#include "lookup/bgzf_blocks.h"
#include "run/make_table.h"
#include "tests/e2e/case_file.h"
#include "tests/in_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include <unistd.h>

namespace {

struct Made {
  RunOutcome outcome;
  std::string table;  // tsv rows without the header, or t2
  int rewinds;
  size_t written;     // bytes the sink was ever given, taken back or not
};

struct Faults {
  size_t capacity = SIZE_MAX;  // the sink fails past it
  size_t failAt = SIZE_MAX;    // the source fails there
  std::string next = {};       // the listing after the first rewind
  bool rewindFails = false;
};

// Blocks as small as the thread count makes them: from a few bytes, so that
// groups straddle blocks, to many groups.
Made make(const std::string& listing, int threads, bool retractable, TableFormat format = TableFormat::TSV,
          const Faults& faults = {}) {
  StringSource source(listing, 4096, faults.failAt);
  source.next = faults.next;
  source.rewindFails = faults.rewindFails;
  StringSink sink(faults.capacity, retractable);
  RunOptions options{format, false, threads, {}};
  options.blockSize = threads == 1 ? 1 << 20 : threads == 2 ? 7 : threads == 3 ? 100 : 4096;
  const RunOutcome outcome = makeTable(source, sink, options);
  return {outcome, format == TableFormat::T2 ? sink.bytes : sink.bytes.substr(sink.bytes.find('\n') + 1),
          source.rewinds, sink.written};
}

// The t2 table of a listing read whole and analysed at once.
std::string wholeRead(const std::string& listing) {
  StringSource source(listing);
  ListingReader reader(source);
  CdsStore store;
  ParsedCds cds;
  Problem problem;
  while (reader.next(cds, problem) == ListingReader::CDS_READ) store.add(cds);
  TextBuffer table;
  appendEntries(store, tableNames(store.names, TableFormat::T2), analyseGenes(store).genes, TableFormat::T2, table);
  return std::string(table.view());
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
  for (int threads : {1, 2, 3, 8})
    for (bool retractable : {true, false}) {
      Made made = make(example["given ecoli.listing"], threads, retractable, TableFormat::T2);
      EXPECT_EQ(made.outcome.kind, RunOutcome::DONE);
      EXPECT_EQ(made.outcome.nCds, 6);
      EXPECT_EQ(made.outcome.nGenes, 4);
      EXPECT_EQ(made.table, example["expect out.t2"]);
      EXPECT_EQ(made.outcome.returnsAt, 0);
    }
}

// A sink that can take back is written at once and taken back when a file
// comes back; one that cannot gets no byte it would have to take back.
TEST(MakeTable, UngroupedListingIsReadWholeWithoutLosingBytes) {
  const std::string split = group("100..200", "x", "a.gb") + group("50..60", "z", "b.gb") +
                            group("210..300", "y", "a.gb") + group("150..400", "x", "a.gb");
  const std::string large = ungrouped(12000, 200);  // more than a batch written before the file comes back
  for (int threads : {1, 2, 3, 8})
    for (bool retractable : {true, false}) {
      Made made = make(split, threads, retractable);
      EXPECT_EQ(made.table, "100..200\tx\t2\t1\ta.gb\t1\t10000000\t9\t100\t400\t\n"
                            "50..60\tz\t1\t0\tb.gb\t1\t10000000\t10000000\t50\t60\t\n"
                            "210..300\ty\t1\t0\ta.gb\t1\t-1\t-1\t210\t300\t\n");
      EXPECT_EQ(made.outcome.nGenes, 3);
      EXPECT_EQ(made.rewinds, 1);
      EXPECT_EQ(made.outcome.returningFile, "a.gb");
      EXPECT_EQ(made.outcome.returnsAt, 3);
      made = make(large, threads, retractable, TableFormat::T2);
      EXPECT_EQ(made.outcome.kind, RunOutcome::DONE);
      EXPECT_EQ(made.rewinds, 1);
      EXPECT_EQ(made.table, wholeRead(large));
      EXPECT_EQ(made.outcome.returningFile, "0.gb");
      EXPECT_EQ(made.outcome.returnsAt, 200 * 50 + 1);
      // Entries taken back are not counted.
      EXPECT_EQ(made.outcome.nGenes, std::count(made.table.begin(), made.table.end(), '*') / 12);
      // Blocks of a few bytes let batches out before the file comes back.
      if (threads == 2 || threads == 3) {
        EXPECT_EQ(made.written > made.table.size(), retractable);
      }
      // Grouped: read once when the sink can take back, looked at first when not.
      made = make(ungrouped(2000, -1), threads, retractable);
      EXPECT_EQ(made.rewinds, retractable ? 0 : 1);
      EXPECT_EQ(made.outcome.returnsAt, 0);
    }
}

// The first batch goes with the first whole file, however small, so that the
// table starts early: a sink with room for that file alone gets it.
TEST(MakeTable, FirstFileGoesAlone) {
  const std::string first = wholeRead(ungrouped(50, -1));  // file 0.gb of three
  EXPECT_EQ(make(ungrouped(150, -1), 1, false, TableFormat::T2, Faults{.capacity = first.size()}).table, first);
}

// Groups past the count of "#CDS=" lines are no CDSs; lines past the end read empty.
TEST(MakeTable, CountOutOfStepWithGroups) {
  const std::tuple<std::string, std::string, int64_t> cases[] = {
      {group("1..2", "a") + "#XXX=5..6\n#gene=b\n#file=f.gb\n#contig=1\nend\n" + group("7..8", "c", "g.gb"),
       "1..2\ta\t1\t0\tf.gb\t1\t10000000\t2\t1\t2\t\n5..6\tb\t1\t0\tf.gb\t1\t2\t10000000\t5\t6\t\n", 0},
      {"#XXX=1..2\n#gene=a\n#file=A\n#contig=1\nend\n#XXX=3..4\n#gene=b\n#file=B\n#contig=1\nend\n" + group("5..6", "c", "C"),
       "1..2\ta\t1\t0\tA\t1\t10000000\t10000000\t1\t2\t\n", 0},
      {"#CDS=1..2\n#gene=a\n#file=f.gb\n#contig=1\nend #CDS=\n",
       "1..2\ta\t1\t0\tf.gb\t1\t10000000\t10000000\t1\t2\t\n\t\t1\t0\t\t0\t10000000\t10000000\t0\t0\t\n", 0},
      // A file coming back past the count is no CDS coming back.
      {group("1..2", "a", "A") + "#XXX=3..4\n#gene=b\n#file=B\n#contig=1\nend\n#XXX=5..6\n#gene=c\n#file=A\n",
       "1..2\ta\t1\t0\tA\t1\t10000000\t10000000\t1\t2\t\n", 0},
      // Regression: the empty CDSs a short listing gets are of the file with
      // the empty name, which comes back; the look must see that too.
      {group("1..2", "a", "") + "#CDS=3..4\n#gene=b\n#file=B\n#contig=1\nend #CDS=\n",
       "1..2\ta\t1\t0\t\t1\t10000000\t10000000\t1\t2\t\n3..4\tb\t1\t0\tB\t1\t10000000\t10000000\t3\t4\t\n"
       "\t\t1\t0\t\t0\t10000000\t10000000\t0\t0\t\n", 3},
      // and is one gene with an unnamed gene of that file, written at its first CDS.
      {group("1..2", "", "", "0") + "#CDS=3..4\n#gene=b\n#file=B\n#contig=1\nend #CDS=\n",
       "1..2\t\t2\t0\t\t0\t10000000\t10000000\t1\t2\t\n3..4\tb\t1\t0\tB\t1\t10000000\t10000000\t3\t4\t\n", 3},
      // Regression: no CDS counted, and files coming back: a whole reading
      // that keeps none of its groups.
      {"#XXX=1..2\n#gene=a\n#file=A\n#contig=1\nend\n#XXX=3..4\n#gene=b\n#file=B\n#contig=1\nend\n"
       "#XXX=5..6\n#gene=c\n#file=A\n#contig=1\nend\n",
       "", 0},
      {group("1..2", "a", "A") + group("3..4", "b", "B") + group("5..6", "c", "A"),
       "1..2\ta\t1\t0\tA\t1\t10000000\t2\t1\t2\t\n3..4\tb\t1\t0\tB\t1\t10000000\t10000000\t3\t4\t\n"
       "5..6\tc\t1\t0\tA\t1\t2\t10000000\t5\t6\t\n", 3},
  };
  // More CDSs past the count than a batch holds, before the next file starts.
  std::string uncounted = group("1..2", "a", "A");
  for (int k = 0; k < 5000; ++k) uncounted += "#XXX=3..4\n#gene=b\n#file=A\n#contig=1\nend\n";
  uncounted += "#XXX=5..6\n#gene=c\n#file=B\n#contig=1\nend\n";
  for (int threads : {1, 3}) EXPECT_EQ(make(uncounted, threads, true).table, "1..2\ta\t1\t0\tA\t1\t10000000\t10000000\t1\t2\t\n");
  for (const auto& [listing, rows, returnsAt] : cases)
    for (int threads : {1, 2, 3, 8})
      for (bool retractable : {true, false}) {
        const Made made = make(listing, threads, retractable);
        EXPECT_EQ(made.table, rows) << listing;
        EXPECT_EQ(made.outcome.returnsAt, returnsAt) << listing;
      }
}

TEST(MakeTable, Outcomes) {
  const std::string g61(61, 'g'), large = ungrouped(6000, -1), back = ungrouped(6000, 100),
                    ab = group("1..2", "a", "A") + group("3..4", "b", "B");
  const struct {
    std::string listing;
    Faults faults;
    RunOutcome::Kind kind;
    int64_t nCds, refusedCds;
    std::string error;
  } cases[] = {
      {ab + group("5..6", g61, "C") + group("7..8", "d"), Faults{}, RunOutcome::REFUSED, 4, 3, ""},
      {ab + group("5..6", "c", "A") + group("7..8", g61), Faults{}, RunOutcome::REFUSED, 4, 4, ""},
      {group("1..2", "a") + "#XXX=3..4\n#gene=" + g61 + "\n", Faults{}, RunOutcome::DONE, 1, 0, ""},
      {group("1..2", "a"), Faults{.capacity = 10}, RunOutcome::WRITE_FAILED, 1, 0, "test write failure"},
      {large, Faults{.capacity = 1000}, RunOutcome::WRITE_FAILED, 6000, 0, "test write failure"},
      {large, Faults{.failAt = 50000}, RunOutcome::READ_FAILED, 0, 0, "test read failure"},
      {group("1..2", g61) + large, Faults{.failAt = 50000}, RunOutcome::READ_FAILED, 0, 0, "test read failure"},
      // A failed write ends the run before a second reading.
      {back, Faults{.capacity = 1000}, RunOutcome::WRITE_FAILED, 5000, 0, "test write failure"},
      {back, Faults{.rewindFails = true}, RunOutcome::READ_FAILED, 0, 0, "test rewind failure"},
      {back, Faults{.next = large}, RunOutcome::DONE, 6000, 0, ""},
  };
  for (const auto& c : cases)
    for (int threads : {1, 2, 3, 8})
      for (bool retractable : {true, false}) {
        const Made made = make(c.listing, threads, retractable, TableFormat::T2, c.faults);
        const RunOutcome& o = made.outcome;
        if (c.faults.rewindFails && !retractable) continue;  // covered below
        EXPECT_EQ(o.kind, c.kind) << c.listing.substr(0, 50);
        if (c.kind != RunOutcome::WRITE_FAILED) {  // how far it got then depends on the threads
          EXPECT_EQ(o.nCds, c.nCds) << c.listing.substr(0, 50);
        }
        EXPECT_EQ(o.refusedCds, c.refusedCds) << c.listing.substr(0, 50);
        EXPECT_EQ(o.problem, c.kind == RunOutcome::REFUSED ? Problem::GENE_NAME_TOO_LONG : Problem{});
        EXPECT_EQ(o.error, c.error);
        // With blocks of a few bytes the write fails before the file comes back.
        if (c.faults.capacity < SIZE_MAX && c.listing == back && (threads == 2 || threads == 3)) {
          EXPECT_EQ(made.rewinds, retractable ? 0 : 1);
        }
      }
}

// A task of any kind that throws ends the run cleanly, on every thread count:
// reading (in turn, and side by side), gathering, writing.
TEST(MakeTable, ATaskThatThrowsEndsTheRun) {
  const std::string listing = ungrouped(3000, -1);
  enum Where { READ, READ_AT, GATHER, WRITE };
  for (int threads : {1, 2, 4})
    for (Where where : {READ, READ_AT, GATHER, WRITE}) {
      StringSource source(listing, 4096, where == READ || where == READ_AT ? listing.size() / 2 : SIZE_MAX);
      source.sideBySide = where == READ_AT;
      source.throws = true;
      StringSink sink(where == WRITE ? 1000 : SIZE_MAX);
      sink.throws = true;
      RunOptions options{TableFormat::T2, false, threads, {}};
      options.blockSize = 1000;
      if (where == GATHER)
        options.progress = [](const RunProgress& p) {
          if (std::string(p.stage) == "writing") throw std::runtime_error("test gather throws");
        };
      std::string thrown;
      try {
        makeTable(source, sink, options);
      } catch (const std::runtime_error& e) {
        thrown = e.what();
      }
      EXPECT_EQ(thrown, where == WRITE ? "test write throws" : where == GATHER ? "test gather throws" : "test read throws")
          << threads << " threads";
    }
}

// The listing read a second time is not the one looked at first.
TEST(MakeTable, ListingThatChangesBetweenReadings) {
  const std::string grouped = ungrouped(600, -1), back = ungrouped(600, 5);
  for (int threads : {1, 2, 3, 8}) {
    EXPECT_EQ(make(grouped, threads, false, TableFormat::T2, Faults{.next = back}).outcome.error,
              "changed while it was read");
    EXPECT_EQ(make(grouped, threads, false, TableFormat::T2, Faults{.rewindFails = true}).outcome.error,
              "test rewind failure");
  }
}

// Strains made apart and joined: the table of `cat A B` is the tables of A
// and B one after the other, when their source files differ.
TEST(MakeTable, ConcatenatedListingsGiveConcatenatedTables) {
  std::string a, b;
  for (int k = 0; k < 3000; ++k) {
    const int at = 1 + (k * 7919) % 20000;
    const std::string location = std::to_string(at) + ".." + std::to_string(at + k % 700);
    a += group(location, std::to_string(k % 17), std::to_string(k / 700) + ".a.gb", std::to_string(k % 3));
    b += group(location, std::to_string(k % 19), std::to_string(k / 300) + ".b.gb", std::to_string(k % 2));
  }
  for (int threads : {1, 3})
    for (TableFormat format : {TableFormat::T2, TableFormat::TSV}) {
      EXPECT_EQ(make(a + b, threads, true, format).table,
                make(a, threads, true, format).table + make(b, threads, true, format).table);
    }
}

// A listing on a descriptor that was read from before starts where it stood.
TEST(FileListing, StartsWhereTheDescriptorStood) {
  FILE* file = std::tmpfile();
  const std::string header = "a header line\n", listing = ungrouped(300, 2);
  std::fputs((header + listing).c_str(), file);
  std::fflush(file);
  lseek(fileno(file), static_cast<off_t>(header.size()), SEEK_SET);
  FileListing source;
  std::string error;
  ASSERT_TRUE(source.open(fileno(file), "/nonexistent", error));
  EXPECT_EQ(source.size(), listing.size());
  StringSink sink;
  EXPECT_EQ(makeTable(source, sink, RunOptions{TableFormat::T2, false, 1, {}}).kind, RunOutcome::DONE);
  EXPECT_EQ(sink.bytes, wholeRead(listing));
  std::fclose(file);
}

}  // namespace
