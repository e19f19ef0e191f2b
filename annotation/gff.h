#pragma once
// GFF3 and GTF annotations: their CDS lines made into CDSs with the values a
// listing's five-line groups would give, and the sequences they lie on.
//
// A file is parsed in blocks of whole lines, each on its own (so blocks may
// be parsed on any thread), and the blocks are then taken in file order by a
// GffFile, which numbers the sequences, groups the CDS lines into CDSs and
// names their genes.

#include "annotation/annotated_cds.h"
#include "cds/cds_store.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class GffDialect { GFF3, GTF };

// Whether `head` (an input's first bytes after decompression, up to 64 KiB,
// may end mid-line) is GFF3 ("##gff-version 3" first, or a first feature line
// of nine tab-separated columns whose ninth holds key=value attributes) or
// GTF (nine columns whose ninth holds key "value"; attributes). Comment lines
// before the first feature line are skipped; a first feature line cut short
// by the end of `head` is judged on what is there.
bool looksLikeGff(std::string_view head, GffDialect dialect);

// A value kept in GffBlock::text; size 0 when the line does not have it.
struct GffText {
  uint64_t offset = 0;
  uint64_t size = 0;
};

// Bits of GffCdsLine::marks.
enum GffMark : uint8_t {
  GFF_MINUS = 1,          // strand '-'
  GFF_LOWER_PARTIAL = 2,  // start_range=.,N or partial=1x
  GFF_UPPER_PARTIAL = 4,  // end_range=N,. or partial=x1
};

// A CDS line. GFF3: `id`, `group`, `gene` and `locusTag` hold the first values
// of its ID, Parent, gene and locus_tag attributes, percent-decoded. GTF:
// `group` holds transcript_id, `gene` gene_name and `locusTag` gene_id, as
// written.
struct GffCdsLine {
  int64_t line = 0;   // from 1 within its block
  int64_t start = 0;  // as written, any size up to int64's
  int64_t end = 0;
  uint32_t seqid = 0;  // index in GffBlock::seqids
  uint8_t marks = 0;   // GffMark bits
  GffText id, group, gene, locusTag;
};

// A GFF3 line of any other type that has an ID: a link of some parent chain.
struct GffFeature {
  int64_t line = 0;
  bool isGene = false;  // its type is "gene": its Name may name the CDSs below it
  GffText id, parent, gene, name, locusTag;
};

// What a `region` line or a ##sequence-region line says of a sequence.
struct GffRegion {
  GffText seqid;
  int64_t end = 0;
  bool circular = false;   // Is_circular=true
  bool directive = false;  // ##sequence-region, which only gives a length
};

// The features of a block of whole lines, parsed apart from other blocks:
// compact records of the lines that matter, with lines numbered from 1
// within the block.
struct GffBlock {
  std::string text;                // every value kept, back to back
  std::vector<GffText> seqids;     // distinct, in order of first appearance on a feature line
  std::vector<GffCdsLine> cds;
  std::vector<GffFeature> features;
  std::vector<GffRegion> regions;
  int64_t lines = 0;               // lines read: the block's, or up to the error or "##FASTA"
  AnnotationError error;
  bool fastaSeen = false;
};

// Parses `text`, whole lines (the last may lack its line feed; a CR before a
// line feed is dropped), into `out`, which it clears first.
// Skipped: empty lines, lines that begin with '#' (a "##sequence-region ID
// START END" line gives a length when its END is a number). A line
// "##FASTA", or one that begins with '>', ends the features: nothing after it
// is read. Every other line is a feature line of exactly nine tab-separated
// columns. On CDS and region lines the start and end must be decimal numbers
// (digits only, up to int64's largest) and start must not pass end; a CDS's
// strand must be '+', '-', '.' or '?' ('.' and '?' read as '+'). The first
// line that breaks this sets `error` and ends the parse.
// Attributes, GFF3: "key=value" parts split at ';' (blanks before a key
// skipped, parts without '=' skipped, the first of a repeated key counts);
// a value counts by its first comma-separated part. GTF: "key value;" or
// key "value"; parts. Other columns of other lines are not checked, and
// seqids are kept as written.
void parseGffBlock(std::string_view text, GffDialect dialect, GffBlock& out);

// One file's features as its blocks come, in file order; then its CDSs.
class GffFile {
 public:
  explicit GffFile(GffDialect dialect) : dialect_(dialect) {}
  // Takes the next block of the file (line numbers follow from the blocks'
  // counts). After a block with an error or with "##FASTA", later blocks are
  // ignored.
  void add(GffBlock&& block);
  // The file's CDSs in the order of each CDS's first line, and its sequences
  // in order of first appearance on a feature line (contig k is
  // contigs[k - 1]). On an error, `error` is set (line from 1 within the file)
  // and `cds` is left empty. Features whose Parents run in a cycle (any
  // features, not only those above a CDS) are an error at the cycle's first
  // line, unless a line error comes before it; a Parent never defined ends
  // its chain. A CDS is on the complement strand when any of its lines has
  // strand '-', partial at an end when any of its lines says so.
  void finish(std::vector<AnnotatedCds>& cds, std::vector<AnnotatedContig>& contigs, AnnotationError& error);

  // The records of the blocks taken, their values numbered in `names`.
  struct CdsLine {
    int64_t line, start, end;
    uint32_t seqid, id, group, gene, locusTag;
    uint8_t marks;
  };
  struct Feature {
    int64_t line;
    uint32_t id, parent, gene, name, locusTag;  // `name` only on a gene
  };
  struct Region {
    uint32_t seqid;
    int64_t end;
    bool circular, directive;
  };

 private:
  GffDialect dialect_;
  bool stopped_ = false;  // an error or "##FASTA" was seen
  int64_t linesBefore_ = 0;
  AnnotationError error_;
  NameTable names_;
  std::vector<uint32_t> contigOf_;  // name number -> contig number, 0 when the name is no seqid
  std::vector<uint32_t> contigNames_;
  std::vector<CdsLine> cds_;
  std::vector<Feature> features_;
  std::vector<Region> regions_;
};
