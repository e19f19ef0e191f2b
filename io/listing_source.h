#pragma once
// A listing as a run reads it: bytes that can be had again from where the
// listing started, for a listing found not grouped by source file.

#include "io/byte_source.h"

#include <cstdint>
#include <string>

class ListingSource : public ByteSource {
 public:
  // Back to the listing's first byte; false (error() says why) when that fails.
  virtual bool rewind() = 0;
  // Bytes read since the start or the last rewind, for progress reports.
  virtual uint64_t consumed() const = 0;
  // The listing's size when known in advance, else 0.
  virtual uint64_t size() const { return 0; }
  // Whether readAt() works: a regular file of known size, which threads can
  // then read side by side.
  virtual bool positional() const { return false; }
  // Reads up to `size` bytes at `offset` from the listing's start, on any
  // thread, whatever read() has done; -1 with `error` set on a failure.
  virtual ptrdiff_t readAt(char* buffer, size_t size, uint64_t offset, std::string& error) const {
    (void)buffer, (void)size, (void)offset;
    error = "cannot be read at an offset";
    return -1;
  }
};
