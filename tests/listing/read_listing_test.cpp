#include "app/run_control.h"
#include "listing/cds_record.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

// Counts and reads `bytes` as a listing, as a run does.
void load(const std::string& bytes) {
  std::snprintf(inputName, sizeof inputName, "/tmp/tarn2-read-test-%d", static_cast<int>(getpid()));
  std::ofstream(inputName, std::ios::binary) << bytes;
  std::free(records);
  countCds();
  allocateRecords();
  inputStream.clear();
  inputStream.open(inputName);
  readCdsData();
  inputStream.close();
  std::remove(inputName);
}

std::string group(const std::string& location, const std::string& gene, const std::string& file,
                  const std::string& contig, const std::string& eol = "\n") {
  return "#CDS=" + location + eol + "#gene=" + gene + eol + "#file=" + file + eol + "#contig=" + contig + eol +
         "end" + eol;
}

bool isEmptyRecord(const CdsRecord& r) {
  return r.nSegments == 0 && r.gene[0] == '\0' && r.file[0] == '\0' && r.contig == 0 && r.isComplement == 0 &&
         r.partialLeft == 0 && r.partialRight == 0 && r.segments[0].start == 0;
}

TEST(CountCds, CountsLinesHoldingTheKey) {
  load("");
  EXPECT_EQ(nCds, 0);
  load("\n\n\n");
  EXPECT_EQ(nCds, 0);
  load("#CDS=1..2 #CDS=3..4\n");  // two keys on one line are one CDS
  EXPECT_EQ(nCds, 1);
  load(group("1..2", "a", "f", "1") + "#CDS=5..6");  // a last line without its line feed still counts
  EXPECT_EQ(nCds, 2);
  load("x#CDS=\nno key\n#CDS\n");
  EXPECT_EQ(nCds, 1);
}

TEST(ReadCdsData, TakesValuesFromFixedColumns) {
  load(group("complement(join(<1..100,200..>300))", "abcA", "chr1.gb", "12x") +
       "#CDS=5..9 see complement\n#gene=\n#file=\n#contig=\nend\n" +
       "#CDS=1..2\nXXXXXXgeneB\nYYYYYYfile.gb\nZZZZZZZZ007\nend\n");
  ASSERT_EQ(nCds, 3);
  const CdsRecord& a = records[0];
  EXPECT_EQ(a.nSegments, 2);
  EXPECT_EQ(a.segments[1].end, 300);
  EXPECT_EQ(a.isComplement, 1);
  EXPECT_EQ(a.partialLeft, 1);
  EXPECT_EQ(a.partialRight, 1);
  EXPECT_STREQ(a.gene, "abcA");
  EXPECT_STREQ(a.file, "chr1.gb");
  EXPECT_EQ(a.contig, 12);
  const CdsRecord& b = records[1];
  EXPECT_EQ(b.isComplement, 1);  // "complement" anywhere in the line counts
  EXPECT_STREQ(b.gene, "");
  EXPECT_STREQ(b.file, "");
  EXPECT_EQ(b.contig, 0);
  const CdsRecord& c = records[2];  // keys are not checked, only columns
  EXPECT_STREQ(c.gene, "geneB");
  EXPECT_STREQ(c.file, "file.gb");
  EXPECT_EQ(c.contig, 7);
}

TEST(ReadCdsData, CrlfGivesTheSameRecordsAsLf) {
  std::string lf = group("join(1..5,7)", "g1", "f.gb", "3") + group("10..20", "g2", "f.gb", "3");
  std::string crlf = group("join(1..5,7)", "g1", "f.gb", "3", "\r\n") + group("10..20", "g2", "f.gb", "3", "\r\n");
  load(lf);
  ASSERT_EQ(nCds, 2);
  std::string fromLf(reinterpret_cast<const char*>(records), 2 * sizeof(CdsRecord));
  load(crlf);
  ASSERT_EQ(nCds, 2);
  std::string fromCrlf(reinterpret_cast<const char*>(records), 2 * sizeof(CdsRecord));
  EXPECT_TRUE(fromLf == fromCrlf);
  EXPECT_STREQ(records[0].gene, "g1");
  EXPECT_EQ(records[1].contig, 3);
}

TEST(ReadCdsData, ShortOrShiftedListings) {
  // A listing that ends early leaves the records it cannot fill empty.
  load(group("1..2", "a", "f", "1") + "#CDS=3..4\n#gene=b\n");
  ASSERT_EQ(nCds, 2);
  EXPECT_STREQ(records[1].gene, "b");
  EXPECT_STREQ(records[1].file, "");
  // A key inside a closing line counts a CDS that has no lines at all.
  load("#CDS=1..2\n#gene=a\n#file=f\n#contig=1\nend #CDS=\n");
  ASSERT_EQ(nCds, 2);
  EXPECT_TRUE(isEmptyRecord(records[1]));
  // A header line shifts every group by one line.
  load("title\n" + group("1..2", "a", "f.gb", "1"));
  ASSERT_EQ(nCds, 1);
  EXPECT_EQ(records[0].nSegments, 0);       // location taken from "title"
  EXPECT_STREQ(records[0].gene, "..2");     // gene from "#CDS=1..2", index 6 on
  EXPECT_STREQ(records[0].file, "a");
  EXPECT_EQ(records[0].contig, 0);          // "#file=f.gb" has no digit at index 8
}

TEST(ReadCdsData, LongLinesAreReadWhole) {
  // 480 segments at nine-digit positions: a location line over 9,999 characters.
  std::string location = "join(";
  for (int s = 0; s < 480; ++s) {
    if (s > 0) location += ',';
    location += std::to_string(100000000 + 20 * s) + ".." + std::to_string(100000010 + 20 * s);
  }
  location += ")";
  ASSERT_GT(location.size(), 10000u);
  load(group(location, "long", "f", "2") + group("5..6", "next", "f", "2"));
  ASSERT_EQ(nCds, 2);
  EXPECT_EQ(records[0].nSegments, 480);
  EXPECT_EQ(records[0].segments[479].end, 100000010 + 20 * 479);
  EXPECT_STREQ(records[1].gene, "next");
  EXPECT_EQ(records[1].segments[0].start, 5);
}

TEST(ReadCdsData, NamesUpToSixtyCharacters) {
  std::string sixty(60, 'g');
  load(group("1..2", sixty, sixty, "1"));
  EXPECT_EQ(std::string(records[0].gene), sixty);
  EXPECT_EQ(std::string(records[0].file), sixty);
}

}  // namespace
