#pragma once
// Cuts a listing's bytes into blocks of whole five-line groups, so that
// blocks can be parsed apart: each block starts at the first line of a group,
// since the place of a line in its group follows only from the lines before
// it.

#include "io/byte_source.h"

#include <cstddef>
#include <string>

class BlockCutter {
 public:
  // Blocks of about `blockSize` bytes; a longer group makes a longer block.
  BlockCutter(ByteSource& bytes, size_t blockSize) : bytes_(bytes), blockSize_(blockSize) {}
  // Puts the next block in `block`; false at the end of the stream and on a
  // read failure (failed() tells which). The last block may end inside a group.
  bool next(std::string& block);
  bool failed() const { return failed_; }

 private:
  ByteSource& bytes_;
  size_t blockSize_;
  std::string carry_;  // bytes read past the last cut
  bool ended_ = false;
  bool failed_ = false;
};

// The number of line feeds in `bytes`.
size_t countLineFeeds(std::string_view bytes);
