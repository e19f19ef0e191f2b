#pragma once
// What a run is given and what it gives back, shared by every part of the
// run and by its callers.

#include "cds/cds_store.h"
#include "io/listing_source.h"
#include "lookup/file_summary.h"
#include "lookup/table_format.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What an input holds, told by its content (detect_format.h) or by --from.
enum class InputFormat { LISTING, GENBANK, EMBL, GFF3, GTF };

struct RunInput {
  ListingSource* bytes = nullptr;
  InputFormat format = InputFormat::LISTING;
  // The source file name of an annotation's CDSs ("#file="): the input's
  // base name as given, "-" for standard input, or --name. Not for listings.
  std::string fileName;
};

struct RunProgress {
  uint64_t bytesRead;   // of the listing as stored (compressed, if it is)
  uint64_t bytesTotal;  // 0 when not known in advance
  int64_t cdsRead;
  const char* stage;    // "looking" (at the file names), "reading", or "writing" once the listing is read
};

struct RunOptions {
  TableFormat format = TableFormat::T2;
  bool decompress = false;                           // recognise compressed input
  int threads = 2;                                   // 1: read, analyse and write in turn
  std::function<void(const RunProgress&)> progress;  // called now and then, from any thread but one at a time
  std::vector<FileSummary>* summaries = nullptr;     // gets one summary per source file, when set
  int compression = -1;                              // BGZF at this level (0..9); -1: plain text
  size_t blockSize = 1 << 18;                        // bytes of listing parsed as one piece
  bool neighbours = false;                           // tsv: the neighbour columns too
};

struct RunOutcome {
  // BAD_INPUT: an annotation that cannot be read (`error`, at `line`).
  enum Kind { DONE, REFUSED, READ_FAILED, WRITE_FAILED, BAD_INPUT } kind = DONE;
  size_t input = 0;         // the input a failure or a refusal lies in
  int64_t line = 0;         // its line, from 1, for an annotation's (REFUSED, BAD_INPUT); 0 for a listing's
  int64_t nCds = 0;         // the listing's CDS count; unknown after READ_FAILED
  int64_t nGenes = 0;       // entries written (DONE)
  int64_t refusedCds = 0;   // number of the refused CDS, from 1 (REFUSED)
  Problem problem{};        // what is wrong with it (REFUSED)
  std::string error;        // why reading or writing failed (READ_FAILED, WRITE_FAILED)
  std::string returningFile;  // a source file whose CDSs come back after other files'
  int64_t returnsAt = 0;      // the number, from 1, of the CDS where it comes back; 0 when grouped
  std::vector<size_t> withoutCds;  // inputs read as listings that hold no "#CDS=" (DONE)
};
