#pragma once
// What moves through a run's pipeline: a piece of listing on its way to the
// table. Each stage fills its part and empties the part it took.

#include "annotation/flat_file.h"
#include "annotation/gff.h"
#include "io/decoding_source.h"
#include "listing/listing_block.h"
#include "lookup/file_summary.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// CDSs analysed together: one source file, or, for a listing read whole,
// every CDS.
using Together = std::vector<FileRun>;

struct Piece {
  size_t input = 0;          // which of the run's inputs the piece is of
  bool lastOfInput = false;  // no text of its input after this piece
  // read, then load: the listing's text
  uint64_t at = 0;           // a file read side by side: where the piece starts
  size_t length = 0;         // and its bytes still to be read
  DecodedChunk chunk;        // the text, or BGZF blocks still to inflate
  int64_t lineFeeds = 0;     // line feeds in the text
  std::string error;         // why the listing could not be read here
  // cut, parse: a block of whole groups (or records, or lines), parsed
  ParsedBlock parsed;   // a listing's
  FlatFileBlock flat;   // a GenBank or EMBL file's
  GffBlock gff;         // a GFF3 or GTF file's
  // gather: whole source files, or (a listing read whole) a range of entries
  std::vector<Together> files;
  size_t firstEntry = 0, entryCount = 0;
  // make, write: the table's bytes
  TextBuffer bytes;
  int64_t entries = 0;
  std::vector<FileSummary> summaries;
};
