#include "analysis/analyse_genes.h"
#include "lookup/table_format.h"
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
  TextBuffer bytes;
  bytes.append(tableHeader(format));
  appendEntries(store, tableNames(store.names, format), analyseGenes(store).genes, format, bytes);
  return std::string(bytes.view());
}

TEST(TableFormat, T2AndTsv) {
  const uint8_t marks = COMPLEMENT | PARTIAL_LEFT | PARTIAL_RIGHT;
  EXPECT_EQ(table(storeOf({{{{1, 100}, {200, 300}}, marks, "abcA", "chr1.gb", 3}, {{{1, 350}}, 0, "abcA", "chr1.gb", 3}}),
                  TableFormat::T2),
            "#CDS=complement(join(<1..100,200..300>))\n#gene=abcA\n#nListings=2\n#nAlt=1\n#file=chr1.gb\n#contig=3\n"
            "#beforeSpace=10000000\n#afterSpace=10000000\n#altCDSFirst=1\n#altCDSLast=350\n************\n");
  EXPECT_EQ(table(storeOf({{{{7, 7}}, PARTIAL_RIGHT, "a\tb\\c", "f\r\n", 2}, {{}, 0, "", "f\r\n", 2}}), TableFormat::TSV),
            "cds\tgene\tn_listings\tn_alt\tfile\tcontig\tbefore_space\tafter_space\talt_cds_first\talt_cds_last\tcontig_name\n"
            "7..7>\ta\\tb\\\\c\t1\t0\tf\\r\\n\t2\t10000000\t10000000\t7\t7\t\n"
            "\t\t1\t0\tf\\r\\n\t2\t10000000\t10000000\t0\t0\t\n");
}

// Numbers of every length, each side of every place where the writing of
// their digits changes course, and gaps past 32 bits.
TEST(TableFormat, NumbersAtEveryLength) {
  for (int32_t v : {0, 9, 10, 99, 100, 999, 1000, 9999, 10000, 99999, 100000, 999999, 1000000, 1234567, 99999999,
                    100000000, 999999999, 1000000000, 2147483647, -1, -10000, -2147483647}) {
    const std::string t2 = table(storeOf({{{{v, 1}}, 0, "g", "f", 1}}), TableFormat::T2);
    EXPECT_EQ(t2.substr(0, t2.find('\n')), "#CDS=" + std::to_string(v) + "..1");
  }
  const CdsStore store = storeOf({}, 1);
  const std::vector<Neighbours> far{{false, {true, 0, 5000000000}, {true, 0, -1000000000000}, {}, {}}};
  TextBuffer bytes;
  appendEntries(store, tableNames(store.names, TableFormat::TSV), analyseGenes(store).genes, TableFormat::TSV, bytes, far);
  EXPECT_EQ(bytes.view().substr(bytes.view().find("\t+\t")), "\t+\t\t5000000000\t\t-1000000000000\t\t\t\t\n");
}

// Entries are appended to what is there; the longest entry fits its bound,
// with a contig name of any length and every neighbour named at the longest.
TEST(TableFormat, AppendsEntriesWithinTheirBound) {
  ParsedCds longest{{}, COMPLEMENT | PARTIAL_LEFT | PARTIAL_RIGHT, std::string(60, '\t'), std::string(60, '\\'), 2147483647};
  longest.segments.assign(500, Segment{-2147483647, 2147483647});
  for (TableFormat format : {TableFormat::T2, TableFormat::TSV}) {
    const CdsStore store = storeOf({longest}, 3);
    TextBuffer buffer;
    buffer.append("kept");
    appendEntries(store, tableNames(store.names, format), analyseGenes(store).genes, format, buffer);
    const std::string bytes(buffer.view());
    EXPECT_EQ(bytes.substr(0, 4), "kept");
    EXPECT_EQ(std::string(tableHeader(format)) + bytes.substr(4), table(store, format));
    EXPECT_EQ(bytes.find(std::string(120, '\\')) != std::string::npos, format == TableFormat::TSV);
  }
  // One entry alone into an empty buffer gets its bound and no more room, so
  // a row past it is a heap overflow.
  CdsStore store;
  store.contigs.push_back({store.names.intern(std::string(3000, '\\')), false, 0});
  const int32_t spans[][2] = {{100, 200}, {1, 50}, {300, 400}};
  for (int k = 0; k < 3; ++k) {
    store.add({{{spans[k][0], spans[k][1]}}, 0, std::string(60 - k, '\t'), std::string(60, '\r'), 1});
    store.cds.back().shape = 1;
  }
  const GeneAnalysis analysis = analyseGenes(store, Sides::ALL);
  TextBuffer buffer;
  appendEntries(store, tableNames(store.names, TableFormat::TSV), std::span(analysis.genes).first(1),
                TableFormat::TSV, buffer, analysis.neighbours);
  auto escaped = [](const char* pair, int n) {
    std::string out;
    for (int k = 0; k < n; ++k) out += pair;
    return out;
  };
  const std::string upstream = escaped("\\t", 59) + "\t49", downstream = escaped("\\t", 58) + "\t99";
  const std::string row = "100..200\t" + escaped("\\t", 60) + "\t1\t0\t" + escaped("\\r", 60) +
                          "\t1\t49\t99\t100\t200\t" + std::string(6000, '\\');
  EXPECT_EQ(buffer.view(), row + "\t+\t" + upstream + "\t" + downstream + "\t" + upstream + "\t" + downstream + "\n");
  TextBuffer plain;
  appendEntries(store, tableNames(store.names, TableFormat::TSV), std::span(analysis.genes).first(1),
                TableFormat::TSV, plain);
  EXPECT_EQ(plain.view(), row + "\n");
}

}  // namespace
