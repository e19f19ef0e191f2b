#include "listing/group_names.h"
#include "listing/listing_reader.h"
#include "tests/in_memory.h"

#include <gtest/gtest.h>

#include <random>


namespace {

using namespace std::string_literals;  // listings with NUL bytes

std::string segmentsOf(const ParsedCds& c) {
  std::string text;
  for (const Segment& s : c.segments) text += std::to_string(s.start) + "-" + std::to_string(s.end) + ",";
  return text;
}

const char* const PROBLEMS[] = {"segments", "position", "gene", "file", "contig"};

// Every group the reader gives, then how it stopped and the count; the
// listing read in `chunk`s, or (`chunk` 0) where it lies in memory.
std::string readAll(const std::string& listing, size_t chunk, size_t failAt) {
  StringSource source(listing, chunk, failAt);
  ListingReader streamed(source), held(listing, true);
  ListingReader& reader = chunk == 0 ? held : streamed;
  ParsedCds c;
  Problem problem;
  std::string out;
  ListingReader::Status status;
  while ((status = reader.next(c, problem)) == ListingReader::CDS_READ)
    out += "[" + c.gene + "/" + c.file + "/" + std::to_string(c.contig) + "/" + std::to_string(c.flags) + ":" +
           segmentsOf(c) + "]";
  if (status == ListingReader::REFUSED) {
    out += "refused " + std::to_string(reader.groups()) + " " + PROBLEMS[static_cast<int>(problem)] + " ";
    if (!reader.countToEnd()) status = ListingReader::READ_FAILED;
  }
  return out + (status == ListingReader::READ_FAILED ? "failed" : "count " + std::to_string(reader.count()));
}

TEST(ListingReader, GroupsCountsAndRefusals) {
  const std::string longLine((1 << 20) + 10, 'x'), g60(60, 'g'), g61(61, 'g');
  const struct {
    std::string listing, read;
    size_t failAt = SIZE_MAX;
  } cases[] = {
      {"", "count 0"},
      {group("1..2", "a") + "x #CDS= y\n#CDS\n#cds=\n", "[a/f.gb/1/0:1-2,][//0/0:]count 2"},
      {"#CDS=join(5..9) complement #CDS=\nXXXXXXgeneB\nYYYYYYfile.gb\nZZZZZZZZ12x3\n", "[geneB/file.gb/12/1:5-9,]count 1"},
      {"#CDS=1..2\n#CDS=3..4\n", "[..4//0/0:1-2,][//0/0:]count 2"},
      {group("1..2", "a") + "#XXX=3..4\n#gene=b\n", "[a/f.gb/1/0:1-2,][b//0/0:3-4,]count 1"},
      {"#CDS=1..2\r\n#gene=a\rb\r\n#file=c\r\n#contig=3\r", "[a\rb/c/3/0:1-2,]count 1"},
      {"#CDS=1..2\0 3..4\n#gene=ab\0cd\n#file=f\n#contig=1\0 9\nend\n"s, "[ab/f/1/0:1-2,]count 1"},
      {"#CDS=1..2\n#g\0ene=abcdefgh\n"s, "[//0/0:1-2,]count 1"},
      {"#CDS=" + longLine + "5..6\n#gene=a\n#file=f\n#contig=1\n" + longLine + "\n", "[a/f/1/0:5-6,]count 1"},
      {group("1..2147483647", g60, g60, "2147483647"), "[" + g60 + "/" + g60 + "/2147483647/0:1-2147483647,]count 1"},
      {group("1..2", "a") + group("3..4", g61) + group("5..6", "c"), "[a/f.gb/1/0:1-2,]refused 2 gene count 3"},
      {group("1..2", "a", g61), "refused 1 file count 1"},
      {group("1..2", "a", "f", "2147483648"), "refused 1 contig count 1"},
      {group("1..2147483648", "a"), "refused 1 position count 1"},
      {group(openJoin(501) + ")", "a"), "refused 1 segments count 1"},
      {group("1..2", "a") + group("3..4", "b"), "[a/f.gb/1/0:1-2,]failed", 50},
      {group("1..2", g61) + group("3..4", "b"), "refused 1 gene failed", 110},
  };
  for (size_t k = 0; k < std::size(cases); ++k)
    for (size_t chunk : {size_t{0}, size_t{1}, size_t{7}, SIZE_MAX})
      if (chunk > 0 || cases[k].failAt == SIZE_MAX) {  // bytes in memory cannot fail
        EXPECT_EQ(readAll(cases[k].listing, chunk, cases[k].failAt), cases[k].read) << "case " << k << ", chunk " << chunk;
      }
}

// In memory, lines and keys are found many bytes at a time: wherever they
// fall, the bytes read as the same bytes streamed.
TEST(ListingReader, HeldBytesReadAsStreamed) {
  std::string many;
  for (int k = 0; k < 90; ++k)
    many += group(std::to_string(k) + ".." + std::to_string(k + 9), std::string(k % 23, 'g'), k % 7 ? "f" : "x #CDS= #CDS=") +
            (k % 5 ? "" : "#CDS=#CDS=\r\n");
  for (const std::string& listing : {many, many + "\0#CDS=\n"s + many, many.substr(0, many.size() - 3)})
    EXPECT_EQ(readAll(listing, 0, SIZE_MAX), readAll(listing, 7, SIZE_MAX));
}

// The look's one scan of a block finds what a names-only reader finds, on
// lines of every kind in any order: long names, large contigs, carriage
// returns, groups cut short; in the lanes every CPU has and in the widest.
TEST(ListingReader, GroupNamesAsTheReaderFindsThem) {
  std::mt19937 rng(7);
  const std::string lines[] = {"#CDS=1..2", "#gene=", "#gene=" + std::string(60, 'g'), "#gene=" + std::string(61, 'g'),
                               "#file=1.gbk_contig_a", "#file=2.gbk_contig_a\r", "#file=#CDS=b",
                               "#file=" + std::string(61, 'f'), "#contig=2147483647", "#contig=2147483648", "end", "", "\r",
                               "x#CDS=y#CDS="};
  for (int round = 0; round < 600; ++round) {
    std::string listing;
    for (int k = 0, m = static_cast<int>(rng() % 400); k < m; ++k)
      listing += (rng() % 4 != 0 ? lines[k % 5 == 2 ? 4 + rng() % 3 : k % 5] : lines[rng() % std::size(lines)]) + "\n";
    if (rng() % 2 != 0) listing += lines[rng() % std::size(lines)];  // no line feed at the end
    const bool widest = round % 2 != 0;
    GroupNames quick;
    ASSERT_TRUE(readGroupNames(listing, quick, widest));
    GroupNames read;
    ListingReader reader(listing, false, true);
    ParsedCds cds;
    ListingReader::Status status;
    while ((status = reader.next(cds, read.problem)) == ListingReader::CDS_READ) {
      if (read.runs.empty() || read.runs.back().first != cds.file) read.runs.emplace_back(cds.file, 0);
      ++read.runs.back().second;
    }
    if (status == ListingReader::REFUSED) read.refused = reader.groups() - 1;
    EXPECT_EQ(quick.runs, read.runs) << widest << listing;
    EXPECT_EQ(quick.groups, reader.groups()) << widest << listing;
    EXPECT_EQ(quick.count, reader.count()) << widest << listing;
    EXPECT_EQ(quick.refused, read.refused) << widest << listing;
    EXPECT_EQ(quick.problem, read.problem) << widest << listing;
  }
}

TEST(ParseLocation, WorkedExamples) {
  std::string s500;
  for (int k = 0; k < 500; ++k) s500 += std::to_string(2 * k + 1) + "-" + std::to_string(2 * k + 2) + ",";
  const std::string j500 = "#CDS=" + openJoin(500);
  const std::pair<std::string, std::string> cases[] = {
      {"#CDS=190..255", "190-255,"},
      {"#CDS=complement(join(<1..100,200..>300))", "1-100,200-300,<>"},
      {"#CDS=join(1..5,7,9..10)", "1-5,7-7,9-10,"},
      {"#CDS=123", "123-123,"},
      {"#CDS=100..", ""},
      {"#CDS=100 to 200", "100-200,"},
      {"#CDS=1..2 note x3", "1-2,3-3,"},
      {"#CDS=join(0007..0010)", "7-10,"},
      {"#CDS=5 6,7)8", "5-6,7-7,8-8,"},
      {"12345678", "678-678,"},
      {"#CDS=>2147483647..0<", "2147483647-0,<>"},
      {"#CDS=1..2147483648", "refused position"},
      {"#CDS=99999999999999999999", "refused position"},
      {j500 + ")", s500},
      {j500 + ",1001..)", s500},
      {j500 + ",1001)", "refused segments"},
      {j500 + ",1001..1002)", "refused segments"},
      {j500 + ",1001.. then 7", "refused segments"},
  };
  for (const auto& [line, expected] : cases) {
    ParsedCds c;
    Problem problem;
    const bool accepted = parseLocation(line, c, problem);
    EXPECT_EQ(accepted ? segmentsOf(c) + (c.flags & PARTIAL_LEFT ? "<" : "") + (c.flags & PARTIAL_RIGHT ? ">" : "")
                       : std::string("refused ") + PROBLEMS[static_cast<int>(problem)],
              expected) << line.substr(0, 60);
    EXPECT_EQ(c.flags & ~(PARTIAL_LEFT | PARTIAL_RIGHT), 0) << line.substr(0, 60);
  }
}

}  // namespace
