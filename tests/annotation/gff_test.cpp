#include "annotation/gff.h"

#include <gtest/gtest.h>

namespace {

// A feature line on sequence `seq`.
std::string f(std::string_view seq, std::string_view type, int start, int end, char strand, std::string_view attributes) {
  return std::string(seq) + "\t.\t" + std::string(type) + '\t' + std::to_string(start) + '\t' + std::to_string(end) +
         "\t.\t" + strand + "\t0\t" + std::string(attributes) + '\n';
}
std::string cds(int start, int end, char strand, std::string_view attributes) {
  return f("A", "CDS", start, end, strand, attributes);
}

std::string result(GffFile& file) {
  std::vector<AnnotatedCds> cds;
  std::vector<AnnotatedContig> contigs;
  AnnotationError error;
  file.finish(cds, contigs, error);
  if (error.line != 0) return "line " + std::to_string(error.line) + ": " + error.message;
  std::string out;
  for (const AnnotatedCds& c : cds)
    out += (out.empty() ? "" : " | ") + c.location + ' ' + c.gene + " c" + std::to_string(c.contig) + " l" +
           std::to_string(c.line);
  return out;
}

// The CDSs of `text` read as one block; the same text cut into a block a
// line must give the same.
std::string read(const std::string& text, GffDialect dialect = GffDialect::GFF3) {
  GffFile whole(dialect), cut(dialect);
  GffBlock block;
  parseGffBlock(text, dialect, block);
  whole.add(std::move(block));
  for (size_t at = 0, end; at < text.size(); at = end) {
    end = std::min(text.find('\n', at), text.size() - 1) + 1;
    parseGffBlock(std::string_view(text).substr(at, end - at), dialect, block);
    cut.add(std::move(block));
  }
  const std::string got = result(whole);
  EXPECT_EQ(result(cut), got) << text;
  return got;
}

struct Case {
  const char* tag;
  std::string text;
  std::string want;
  GffDialect dialect = GffDialect::GFF3;
};

TEST(Gff, CdsLinesMadeIntoCdss) {
  const std::string circular = f("A", "region", 1, 1000, '+', "ID=A;Is_circular=true");
  const std::string chain = f("A", "gene", 1, 900, '+', "ID=g;Name=nameG;locus_tag=tagG") +
                            f("A", "mRNA", 1, 900, '+', "ID=m;Parent=g;Name=nameM");
  const Case cases[] = {
      // grouping
      {"shared ID", cds(300, 400, '+', "ID=c;gene=a") + cds(100, 200, '+', "ID=c;gene=b"), "join(100..200,300..400) a c1 l1"},
      {"IDs of their own, one Parent", cds(1, 9, '+', "ID=x;Parent=m") + cds(20, 29, '+', "ID=y;Parent=m"), "join(1..9,20..29)  c1 l1"},
      {"no ID, no Parent", cds(1, 9, '+', "gene=a") + cds(20, 29, '+', "gene=a"), "1..9 a c1 l1 | 20..29 a c1 l2"},
      {"alternatives in one mRNA", cds(1, 9, '+', "ID=x;Parent=m") + cds(1, 9, '+', "ID=y;Parent=m") +
           cds(20, 29, '+', "ID=x;Parent=m") + cds(30, 39, '+', "ID=y;Parent=m"), "join(1..9,20..29)  c1 l1 | join(1..9,30..39)  c1 l2"},
      {"order of first lines", cds(50, 59, '+', "ID=x") + cds(1, 9, '+', "ID=y") + cds(1, 5, '+', "ID=x"),
       "join(1..5,50..59)  c1 l1 | 1..9  c1 l2"},
      {"one ID on two sequences", cds(1, 9, '+', "ID=x;Parent=m") + f("B", "CDS", 20, 29, '+', "ID=x;Parent=m"), "1..9  c1 l1 | 20..29  c2 l2"},
      {"Parent by its first value", cds(1, 9, '+', "Parent=m,n") + cds(20, 29, '+', "Parent=m"), "join(1..9,20..29)  c1 l1"},
      {"single base", cds(7, 7, '+', ""), "7..7  c1 l1"},
      // strand and partial ends
      {"complement", cds(1, 9, '-', "ID=x") + cds(20, 29, '-', "ID=x"), "complement(join(1..9,20..29))  c1 l1"},
      {"strand . and ?", cds(1, 9, '.', "") + cds(1, 9, '?', ""), "1..9  c1 l1 | 1..9  c1 l2"},
      {"start_range", cds(1, 9, '-', "start_range=.,1"), "complement(<1..9)  c1 l1"},
      {"end_range", cds(1, 9, '+', "end_range=9,."), "1..9>  c1 l1"},
      {"end_range known", cds(1, 9, '+', "end_range=9,9;start_range=1,1"), "1..9  c1 l1"},
      {"partial=10", cds(1, 9, '+', "partial=10"), "<1..9  c1 l1"},
      {"partial=01", cds(1, 9, '-', "partial=01"), "complement(1..9>)  c1 l1"},
      {"partial=11 over segments", cds(1, 9, '+', "ID=x;partial=11") + cds(20, 29, '+', "ID=x"), "join(<1..9,20..29>)  c1 l1"},
      // origin of a circular sequence
      {"one line past the end", circular + cds(901, 1100, '+', ""), "join(901..1000,1..100)  c1 l2"},
      {"one line past the end, -", circular + cds(901, 1100, '-', "partial=11"), "complement(join(<901..1000,1..100>))  c1 l2"},
      {"segments at both ends", circular + cds(1, 100, '+', "ID=x") + cds(901, 1000, '+', "ID=x"), "join(901..1000,1..100)  c1 l2"},
      {"segments at both ends, -", circular + cds(1, 100, '-', "ID=x") + cds(201, 300, '-', "ID=x") + cds(901, 1000, '-', "ID=x"),
       "complement(join(901..1000,1..100,201..300))  c1 l2"},
      {"touching the end only", circular + cds(801, 900, '+', "ID=x") + cds(951, 1000, '+', "ID=x"), "join(801..900,951..1000)  c1 l2"},
      {"linear sequence", f("A", "region", 1, 1000, '+', "Is_circular=false") + cds(901, 1100, '+', ""), "901..1100  c1 l2"},
      // contigs
      {"first appearance", "##sequence-region B 1 9\n" + f("A", "gene", 1, 9, '+', "") + f("B", "CDS", 1, 9, '+', "") +
           cds(1, 9, '+', ""), "1..9  c2 l3 | 1..9  c1 l4"},
      // gene
      {"gene on the CDS", chain + cds(1, 9, '+', "Parent=m;gene=own;Name=NP_1"), "1..9 own c1 l3"},
      {"gene up the chain", f("A", "mRNA", 1, 9, '+', "ID=m;Parent=g;gene=up") + chain + cds(1, 9, '+', "Parent=m;locus_tag=t"), "1..9 up c1 l4"},
      {"Name of the gene", chain + cds(1, 9, '+', "Parent=m;locus_tag=t;Name=NP_1"), "1..9 nameG c1 l3"},
      {"locus_tag on the CDS", f("A", "mRNA", 1, 9, '+', "ID=m;Name=n;locus_tag=up") + cds(1, 9, '+', "Parent=m;locus_tag=t"), "1..9 t c1 l2"},
      {"locus_tag up the chain", f("A", "mRNA", 1, 9, '+', "ID=m;locus_tag=up;locus_tag=no") + cds(1, 9, '+', "Parent=m"), "1..9 up c1 l2"},
      {"first line's attributes", cds(1, 9, '+', "ID=x") + cds(20, 29, '+', "ID=x;gene=b"), "join(1..9,20..29)  c1 l1"},
      {"Parent never defined", cds(1, 9, '+', "Parent=nowhere;locus_tag=t"), "1..9 t c1 l1"},
      {"percent-decoded", cds(1, 9, '+', "gene=a%2Cb%3b%25%0A%1f%4"), "1..9 a,b;%%0A%1f%4 c1 l1"},
      {"first value, first key", cds(1, 9, '+', "gene=a,b;gene=c"), "1..9 a c1 l1"},
      // GTF
      {"GTF transcripts", f("A", "CDS", 20, 29, '+', "gene_id \"g1\"; transcript_id \"t1\";") +
           f("A", "CDS", 1, 9, '+', "gene_id \"g2\"; gene_name \"n2\"; transcript_id \"t2\";") +
           f("A", "CDS", 1, 9, '+', "transcript_id \"t1\"; gene_name \"late\";") + f("A", "exon", 1, 9, '+', "transcript_id \"t1\""),
       "join(1..9,20..29) g1 c1 l1 | 1..9 n2 c1 l2", GffDialect::GTF},
      {"GTF text after a value", f("A", "CDS", 1, 9, '+', "gene_id g gene_name \"x\"; transcript_id t;"), "1..9 g c1 l1", GffDialect::GTF},
      // the end of the features
      {"##FASTA", cds(1, 9, '+', "") + "##FASTA\n" + cds(20, 29, '+', ""), "1..9  c1 l1"},
      {"> line", cds(1, 9, '+', "") + ">A\n" + cds(20, 29, '+', ""), "1..9  c1 l1"},
      {"CRLF and comments", "##gff-version 3\r\n#x\r\n\r\n" + cds(1, 9, '+', "gene=a\r"), "1..9 a c1 l4"},
      // errors
      {"8 columns", cds(1, 9, '+', "") + "A\t.\tCDS\t1\t9\t.\t+\t0\n", "line 2: CDS line has 8 columns, want 9"},
      {"one column", "A\n", "line 1: feature line has 1 column, want 9"},
      {"10 columns", f("A", "gene", 1, 9, '+', "ID=g\t."), "line 1: feature line has 10 columns, want 9"},
      {"start", f("A", "CDS", -1, 9, '+', ""), "line 1: CDS start is not a number"},
      {"end", "A\t.\tCDS\t1\t9x\t.\t+\t0\t\n", "line 1: CDS end is not a number"},
      {"empty end", "A\t.\tCDS\t1\t\t.\t+\t0\t\n", "line 1: CDS end is not a number"},
      {"start after end", cds(10, 9, '+', ""), "line 1: CDS start is after its end"},
      {"too large", "A\t.\tCDS\t1\t9223372036854775808\t.\t+\t0\t\n", "line 1: CDS end is too large"},
      {"largest", "A\t.\tCDS\t1\t9223372036854775807\t.\t+\t0\t\n", "1..9223372036854775807  c1 l1"},
      {"strand", cds(1, 9, '*', ""), "line 1: CDS strand is not +, -, . or ?"},
      {"region end", f("A", "region", 1, -5, '+', ""), "line 1: region end is not a number"},
      {"first error only", cds(1, 9, '+', "") + cds(10, 9, '+', "") + "x\n", "line 2: CDS start is after its end"},
      {"Parent cycle", cds(1, 9, '+', "Parent=c") + f("A", "gene", 1, 9, '+', "ID=b;Parent=c") +
           f("A", "mRNA", 1, 9, '+', "ID=c;Parent=d") + f("A", "mRNA", 1, 9, '+', "ID=d;Parent=b"), "line 2: Parent chain runs in a cycle"},
      {"two cycles", f("A", "gene", 1, 9, '+', "ID=a;Parent=b") + f("A", "gene", 1, 9, '+', "ID=b;Parent=a") +
           f("A", "gene", 1, 9, '+', "ID=c;Parent=d") + f("A", "gene", 1, 9, '+', "ID=d;Parent=c"), "line 1: Parent chain runs in a cycle"},
      {"cycle of one", f("A", "gene", 1, 9, '+', "ID=b;Parent=b"), "line 1: Parent chain runs in a cycle"},
      {"cycle before a bad line", f("A", "gene", 1, 9, '+', "ID=b;Parent=b") + "x\n", "line 1: Parent chain runs in a cycle"},
  };
  for (const Case& c : cases) EXPECT_EQ(read(c.text, c.dialect), c.want) << c.tag;
}

TEST(Gff, Contigs) {
  GffFile file(GffDialect::GFF3);
  GffBlock block;
  parseGffBlock("##sequence-regionX C 1 40\n##sequence-region C 1 50\n##sequence-region B 1 70\n" +
                    f("A", "CDS", 1, 9, '+', "") + f("B", "region", 1, 80, '+', "Is_circular=true") +
                    f("C", "gene", 1, 9, '+', "") + f("B", "region", 1, 90, '+', "") +
                    "##sequence-region A 1 20\n##sequence-region A 1 30\n##sequence-region B 1 75\n",
                GffDialect::GFF3, block);
  file.add(std::move(block));
  std::vector<AnnotatedCds> cds;
  std::vector<AnnotatedContig> contigs;
  AnnotationError error;
  file.finish(cds, contigs, error);
  std::string got;
  for (const AnnotatedContig& c : contigs) got += c.name + (c.circular ? " circular " : " ") + std::to_string(c.length) + ";";
  EXPECT_EQ(got, "A 20;B circular 80;C 50;");
}

TEST(Gff, LooksLikeGff) {
  const std::string gff3Line = f("A", "CDS", 1, 9, '+', "ID=x;gene=a"), gtfLine = f("A", "CDS", 1, 9, '+', "gene_id \"a\";");
  const struct {
    std::string head;
    bool gff3, gtf;
  } cases[] = {
      {"##gff-version 3\n", true, false},
      {"##gff-version   3.1.26\r\n", true, false},
      {"##gff-version 2\n#c\n" + gtfLine, false, true},
      {"##gff-version 3x\n" + gff3Line, false, false},
      {"#!genome-build x\n\n" + gff3Line, true, false},
      {gtfLine, false, true},
      {gtfLine.substr(0, gtfLine.size() - 3), false, true},  // cut mid-line
      {gff3Line.substr(0, 10), false, false},
      {f("A", "CDS", 1, 9, '+', "."), false, false},
      {f("A", "CDS", 1, 9, '+', "a b=c"), false, false},
      {f("A", "CDS", 1, 9, '+', "a=\"b\""), true, false},
      {"LOCUS x\n", false, false},
      {"", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(looksLikeGff(c.head, GffDialect::GFF3), c.gff3) << c.head;
    EXPECT_EQ(looksLikeGff(c.head, GffDialect::GTF), c.gtf) << c.head;
  }
}

}  // namespace
