#pragma once
// Lines of a listing, whatever their length.

#include "io/byte_source.h"

#include <cstdint>
#include <string_view>
#include <vector>

class LineReader {
 public:
  explicit LineReader(ByteSource& source) : source_(&source), buffer_(1 << 18) {}
  // Lines of bytes already in memory, read where they lie.
  explicit LineReader(std::string_view bytes) : held_(bytes.data()), end_(bytes.size()), atEnd_(true) {}
  // The next line: without its line feed, without a carriage return before it
  // (listings written on Windows), and cut at a NUL byte, since names are
  // kept as C strings downstream. The view lasts until the next call. False
  // at the end of the stream and on a read failure (failed() tells which).
  bool next(std::string_view& line);
  bool failed() const { return failed_; }

 private:
  bool fill();
  const char* data() const { return held_ != nullptr ? held_ : buffer_.data(); }

  ByteSource* source_ = nullptr;  // null for bytes in memory
  std::vector<char> buffer_;      // what was read from the source; grows for a longer line
  const char* held_ = nullptr;    // the bytes in memory, when not read from a source
  size_t begin_ = 0;  // first unread byte
  size_t end_ = 0;    // end of the bytes held
  size_t firstNul_ = SIZE_MAX;  // first NUL byte at or after begin_, SIZE_MAX when none is held
  bool atEnd_ = false;
  bool failed_ = false;
};
