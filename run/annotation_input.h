#pragma once
// An annotation input (GenBank, EMBL, GFF3, GTF) gathered whole from its
// parsed blocks, in order: its CDSs become those of one source file, named as
// the input, each with the values its listing's five-line group would hold.

#include "annotation/gff.h"
#include "listing/listing_block.h"
#include "run/piece.h"
#include "run/run_types.h"

#include <cstdint>
#include <memory>
#include <string>

// Why an annotation cannot be read, and where.
struct AnnotationFailure {
  int64_t line = 0;     // from 1 in the input; 0: none
  std::string error;    // what is wrong with the text there
  bool refused = false; // a CDS beyond the capacities, as a listing's would be
  Problem problem{};
};

class AnnotationInput {
 public:
  AnnotationInput(InputFormat format, std::string fileName);
  // Takes the input's next parsed block; false once it cannot be read.
  bool take(Piece& piece);
  // At the input's end, its CDSs as one run; false when it cannot be read.
  bool finish(FileRun& run);
  AnnotationFailure failure;

 private:
  bool add(const AnnotatedCds& cds, int64_t contigs, int64_t lines);
  void addContig(const AnnotatedContig& contig);

  FileRun run_;
  int64_t lines_ = 0;    // lines of the blocks taken
  int64_t records_ = 0;  // GenBank and EMBL records of the blocks taken
  std::unique_ptr<GffFile> gff_;
};
