#include "analysis/analyse_genes.h"
#include "lookup/table_writer.h"
#include "tests/in_memory.h"

#include <gtest/gtest.h>

namespace {

// The listed CDSs, or else n genes of one CDS each, about 150 bytes of t2 table apiece.
CdsStore storeOf(std::initializer_list<ParsedCds> listing, int n = 0) {
  CdsStore store;
  for (const ParsedCds& cds : listing) store.add(cds);
  for (int k = 0; k < n; ++k) store.add({{{10 * k + 1, 10 * k + 5}}, 0, std::to_string(k), "f.gb", 1});
  return store;
}

std::string table(const CdsStore& store, TableFormat format) {
  StringSink sink;
  TableWriter writer(sink, format);
  EXPECT_TRUE(writer.add(store, analyseGenes(store)) && writer.finish());
  EXPECT_EQ(writer.entries(), static_cast<int64_t>(analyseGenes(store).size()));
  return sink.bytes;
}

TEST(TableWriter, T2AndTsv) {
  const uint8_t marks = COMPLEMENT | PARTIAL_LEFT | PARTIAL_RIGHT;
  EXPECT_EQ(table(storeOf({{{{1, 100}, {200, 300}}, marks, "abcA", "chr1.gb", 3}, {{{1, 350}}, 0, "abcA", "chr1.gb", 3}}),
                  TableFormat::T2),
            "#CDS=complement(join(<1..100,200..300>))\n#gene=abcA\n#nListings=2\n#nAlt=1\n#file=chr1.gb\n#contig=3\n"
            "#beforeSpace=10000000\n#afterSpace=10000000\n#altCDSFirst=1\n#altCDSLast=350\n************\n");
  EXPECT_EQ(table(storeOf({{{{7, 7}}, PARTIAL_RIGHT, "a\tb\\c", "f\r\n", 2}, {{}, 0, "", "f\r\n", 2}}), TableFormat::TSV),
            "cds\tgene\tn_listings\tn_alt\tfile\tcontig\tbefore_space\tafter_space\talt_cds_first\talt_cds_last\n"
            "7..7>\ta\\tb\\\\c\t1\t0\tf\\r\\n\t2\t10000000\t10000000\t7\t7\n"
            "\t\t1\t0\tf\\r\\n\t2\t10000000\t10000000\t0\t0\n");
}

TEST(TableWriter, FailedWritesAreReported) {
  // genes, sink capacity, what add() and finish() return
  const std::tuple<int, size_t, bool, bool> cases[] = {
      {2, 10, true, false}, {3000, 1000, false, false}, {3000, 300000, true, false}, {3000, SIZE_MAX, true, true}};
  for (const auto& [nGenes, capacity, added, finished] : cases) {
    StringSink sink(capacity);
    TableWriter writer(sink, TableFormat::T2);
    const CdsStore store = storeOf({}, nGenes), more = storeOf({}, 1);  // more: after a failure, fails too
    EXPECT_EQ(writer.add(store, analyseGenes(store)), added) << nGenes << " genes into " << capacity;
    EXPECT_EQ(writer.add(more, analyseGenes(more)), added) << nGenes << " genes into " << capacity;
    EXPECT_EQ(writer.finish(), finished) << nGenes << " genes into " << capacity;
    EXPECT_TRUE(!finished || sink.bytes == table(store, TableFormat::T2) + table(more, TableFormat::T2));
  }
}

TEST(TableWriter, RestartForgetsTheTable) {
  for (int before : {2, 3000}) {
    StringSink sink;
    TableWriter writer(sink, TableFormat::TSV);
    const CdsStore first = storeOf({}, before), second = storeOf({{{{5, 9}}, 0, "x", "g.gb", 4}});
    EXPECT_TRUE(writer.add(first, analyseGenes(first)));
    writer.restart();
    sink.takeBack();
    EXPECT_TRUE(writer.add(second, analyseGenes(second)) && writer.finish());
    EXPECT_EQ(writer.entries(), 1);
    EXPECT_EQ(sink.bytes, table(second, TableFormat::TSV)) << before << " genes before";
  }
}

}  // namespace
