#pragma once
// The first stages of every reading: read each input in turn (side by side
// on every thread when it is a plain file, else decoding as it comes), load
// each piece's text (inflating BGZF blocks, counting line feeds) on every
// thread, then cut it, in turn, where the input's format lets blocks parse
// apart: a listing after a whole five-line group (the place of a line in its
// group follows only from the lines before it), a GenBank or EMBL file after
// a record's "//" line, a GFF3 or GTF file after a line. Listings that follow
// one another are read as one text, their concatenation.

#include "io/decoding_source.h"
#include "io/text_buffer.h"
#include "pipeline/pipeline.h"
#include "run/piece.h"
#include "run/run_types.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

class TextFront {
 public:
  // `stage` names the reading in progress reports ("looking", "reading").
  TextFront(std::span<const RunInput> inputs, const RunOptions& options, const char* stage);

  bool read(Pipeline<Piece>::Emit& emit);               // the source
  void load(Piece& piece) const;                        // parallel
  void cut(Piece& piece, Pipeline<Piece>::Emit& emit);  // serial

  // Why an input could not be read, and which; error empty when all could.
  const std::string& error() const { return error_; }
  size_t failedInput() const { return failedInput_; }
  // CDSs read so far, for progress reports: the gathering counts them on
  // one thread while the reading reports them on another.
  std::atomic<int64_t> cdsRead{0};

 private:
  void start(size_t input);
  size_t cutAt(const Piece& piece, std::string_view text, size_t searchFrom) const;

  std::span<const RunInput> inputs_;
  const RunOptions& options_;
  const char* stage_;
  size_t current_ = 0;                       // the input being read
  std::unique_ptr<DecodingSource> decoded_;  // its decoder
  bool positional_ = false;                  // read side by side
  uint64_t readAt_ = 0;                      // positional: the next piece's offset
  TextBuffer carry_;       // text past the last cut: an unfinished group, record or line
  int64_t carryFeeds_ = 0;
  std::string error_;
  size_t failedInput_ = 0;
};
