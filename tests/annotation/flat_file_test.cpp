#include "annotation/flat_file.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

// One record of either format: `features` holds the feature lines without
// their prefix (key lines start with the key, qualifier lines with '/' or
// the continued text), so that every case is written once for both.
std::string record(FlatFormat f, const std::string& features, const std::string& name = "C1",
                   const std::string& shape = "linear", const std::string& length = "100") {
  const bool gb = f == FlatFormat::GENBANK;
  std::string text = gb ? "LOCUS       " + name + "  " + length + " bp    DNA     " + shape + "   BCT 01-JAN-2000\n"
                           "FEATURES             Location/Qualifiers\n"
                        : "ID   " + name + "; SV 1; " + shape + "; DNA; STD; PRO; " + length + " BP.\nFH   Key\n";
  size_t at = 0;
  while (at < features.size()) {
    const size_t feed = std::min(features.find('\n', at), features.size());
    const std::string line = features.substr(at, feed - at);
    const bool key = !line.empty() && std::isalpha(static_cast<unsigned char>(line[0]));
    text += (gb ? "" : "FT") + std::string(key ? (gb ? 5 : 3) : (gb ? 21 : 19), ' ') + line + "\n";
    at = feed + 1;
  }
  return text + (gb ? "ORIGIN\n        1 acgtacgtac\n     CDS             9..10\n//\n" : "SQ   Sequence 10 BP;\nFT   CDS   9..10\n//\n");
}

// Records, CDSs (contig/line:location|gene) and the error, in one line.
std::string parsed(const std::string& text, FlatFormat f) {
  FlatFileBlock block;
  parseFlatFile(text, f, block);
  std::string out;
  for (const AnnotatedContig& r : block.records)
    out += "[" + r.name + (r.circular ? " c " : " l ") + std::to_string(r.length) + "]";
  for (const AnnotatedCds& c : block.cds)
    out += ' ' + std::to_string(c.contig) + "/" + std::to_string(c.line) + ":" + c.location + "|" + c.gene;
  if (block.error.line) out.append(" !").append(std::to_string(block.error.line)).append(" ").append(block.error.message);
  return out;
}

TEST(FlatFile, CdsValuesInBothFormats) {
  const std::string cds = "CDS             1..9\n";
  const struct {
    std::string features, cds;  // for one record C1 of length 100, linear
  } cases[] = {
      // locations
      {cds, " 1/3:1..9|"},
      {"CDS             join(1..2,\n3..4,  \n 5..6)\n/gene=\"g\"", " 1/3:join(1..2,3..4,5..6)|g"},
      {"CDS             complement(1..9)\r\n/gene=\"g\"\r", " 1/3:complement(1..9)|g"},
      {"CDS 1..9", " 1/3:1..9|"},                             // tolerated: one blank after the key
      {"gene            1..9\nmat_peptide     1..9\ncds             1..9", ""},
      // gene, locus_tag
      {cds + "/locus_tag=\"t\"\n/gene=\"g\"\n/gene=\"h\"", " 1/3:1..9|g"},
      {cds + "/gene=\"\"\n/locus_tag=\"t\"\n/locus_tag=\"u\"", " 1/3:1..9|t"},
      {cds + "/gene\n/locus_tag=t", " 1/3:1..9|t"},
      {"gene            1..9\n/gene=\"g\"\n" + cds + "/product=\"p\"", " 1/5:1..9|"},
      {cds + "/pseudo\n/gene=unquoted ", " 1/3:1..9|unquoted"},
      // quoting
      {cds + "/gene=\"a\"\"b\"\"\"", " 1/3:1..9|a\"b\""},
      {cds + "/gene=\"two  \n  words  \n\"", " 1/3:1..9|two words"},
      {cds + "/gene=\" kept \"", " 1/3:1..9| kept "},
      {cds + "/gene= \"after a blank\"", " 1/3:1..9|after a blank"},
      {cds + "/note=\"a\n/gene=no\nb\"\n/gene=\"yes\"", " 1/3:1..9|yes"},
      {cds + "/translation=\"MKV\nCDS             5..6\nQQ\"\n/gene=\"g\"\n" + cds, " 1/3:1..9|g 1/8:1..9|"},
      // errors: the CDS the problem lies in is dropped, those before it kept
       {cds + cds + "/gene=\"open\n/locus_tag=t", " 1/3:1..9| !5 qualifier /gene has no closing quote"},
      {cds + "/x=\"\"\"", " !4 qualifier /x has no closing quote"},
  };
  for (FlatFormat f : {FlatFormat::GENBANK, FlatFormat::EMBL})
    for (const auto& c : cases)
      EXPECT_EQ(parsed(record(f, c.features), f), "[C1 l 100]" + c.cds) << c.features << (f == FlatFormat::EMBL ? " (EMBL)" : "");
}

TEST(FlatFile, RecordsLinesAndErrors) {
  using enum FlatFormat;
  const std::string a = record(GENBANK, "CDS             1..9"), e = record(EMBL, "CDS             1..9");
  const struct {
    FlatFormat f;
    std::string text, parsed;
  } cases[] = {
      {GENBANK, "", ""},
      {GENBANK, "junk\n\n" + record(GENBANK, "") + "//\n" + a, "[C1 l 100][C1 l 100] 2/12:1..9|"},
      {GENBANK, a + "\n" + record(GENBANK, "", "NC_1", "circular", "4641652") + a, "[C1 l 100][NC_1 c 4641652][C1 l 100] 1/3:1..9| 3/17:1..9|"},
      {GENBANK, "LOCUS       X\n//\nLOCUS x 5 bp circular-ish 6 bp\n//\nLOCUS y 12345678901234567890 bp\n//", "[X l 0][x l 5][y l 0]"},
      {EMBL, e + record(EMBL, "", "X5", "circular", "7"), "[C1 l 100][X5 c 7] 1/3:1..9|"},
      {EMBL, "ID   AB000263 standard; circular RNA; PRI; 368 BP.\n//\nID\n//\n", "[AB000263 c 368][ l 0]"},
      {GENBANK, a + "LOCUS       C2\nFEATURES\n     CDS   1..2\n     CDS   3..4\n", "[C1 l 100] 1/3:1..9| !8 record has no // line"},
      {GENBANK, a + "LOCUS       C2\nFEATURES\n     CDS   1..2\n" + a, "[C1 l 100] 1/3:1..9| !8 record has no // line"},
      {GENBANK, a + "LOCUS       C2\nORIGIN\n        1 acgt\n", "[C1 l 100] 1/3:1..9| !8 record has no // line"},
      {EMBL, "ID   E1;\nFT   CDS   1..2\nFT   /gene=\"x\nSQ\n//\nID   E2;\nFT   /note=\"y\"\n//\n", "[E1 l 0] !3 qualifier /gene has no closing quote"},
      {GENBANK, "LOCUS       X\nFEATURES\n     CDS   1..2\n                     /=\"\n//\n", "[X l 0] !4 qualifier has no closing quote"},
  };
  for (const auto& c : cases) EXPECT_EQ(parsed(c.text, c.f), c.parsed) << c.text;
  FlatFileBlock block;  // used twice: the second text's values alone
  parseFlatFile(a + "LOCUS       X\n", GENBANK, block);
  parseFlatFile(a + "no feed at the end", GENBANK, block);
  EXPECT_EQ(block.lines, 7);
  EXPECT_EQ(block.cds.size(), 1u);
  EXPECT_EQ(block.records.size(), 1u);
  EXPECT_EQ(block.error.line, 0);
}

TEST(FlatFile, CutPointsAndRecognition) {
  const std::string qualifiers(40, ' ');
  const std::pair<std::string, size_t> cuts[] = {
      {"", 0}, {"//", 0}, {"//\n", 3}, {"//\r\n", 4}, {"//x\n", 4}, {"///\n", 4}, {"x//\n", 0}, {" //\n", 0},
      {"a\n//\nb\n//", 5},
      {"//\n" + qualifiers + "\n/x\n" + qualifiers + "/y\n", 3},
      {qualifiers + "\n//\n" + qualifiers + "\n/\n" + qualifiers + "x//\n", 44},
  };
  for (const auto& [bytes, cut] : cuts) EXPECT_EQ(cutAfterLastRecord(bytes), cut) << bytes;
  const std::string release = "GBBCT1.SEQ          Genetic Sequence Data Bank\n\n     Bacterial\n\nLOCUS       A";
  const struct {
    std::string head;
    bool genbank, embl;
  } heads[] = {
      {"LOCUS       A 5 bp", true, false}, {" \n\t\r\nLOCUS\tA", true, false}, {"ID   X56734; SV 1;", false, true},
      {"LOCUSX", false, false}, {"", false, false}, {"x\nLOCUS       A", false, false}, {release, true, false},
      {release.substr(0, 60), false, false}, {"IDENTIFIER", false, false},
  };
  for (const auto& h : heads) {
    EXPECT_EQ(looksLikeFlatFile(h.head, FlatFormat::GENBANK), h.genbank) << h.head;
    EXPECT_EQ(looksLikeFlatFile(h.head, FlatFormat::EMBL), h.embl) << h.head;
  }
}

}  // namespace
