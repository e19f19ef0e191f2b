#pragma once
// The first stages of every reading of a listing: read it (side by side on
// every thread when it is a plain file, else in turn, decoding as it comes),
// load each piece's text (inflating BGZF blocks, counting line feeds) on
// every thread, then cut it into blocks of whole five-line groups, in turn,
// so that each block parses apart: the place of a line in its group follows
// only from the lines before it.

#include "io/decoding_source.h"
#include "io/listing_source.h"
#include "pipeline/pipeline.h"
#include "run/piece.h"
#include "run/run_types.h"

#include <cstdint>
#include <string>

class TextFront {
 public:
  // `stage` names the reading in progress reports ("looking", "reading").
  TextFront(ListingSource& listing, const RunOptions& options, const char* stage);

  bool read(Pipeline<Piece>::Emit& emit);              // the source
  void load(Piece& piece) const;                       // parallel
  void cut(Piece& piece, Pipeline<Piece>::Emit& emit);  // serial

  // Why the listing could not be read; empty when it could.
  const std::string& error() const { return error_; }
  // CDSs read so far, for progress reports: the reading counts them.
  int64_t cdsRead = 0;

 private:
  ListingSource& listing_;
  const RunOptions& options_;
  const char* stage_;
  DecodingSource decoded_;
  bool positional_;
  uint64_t readAt_ = 0;   // positional: the next piece's offset
  TextBuffer carry_;      // text past the last cut: an unfinished group
  int64_t carryFeeds_ = 0;
  std::string error_;
};
