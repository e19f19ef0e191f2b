#pragma once
// A listing as a run reads it: bytes that can be had again from where the
// listing started, for a listing found not grouped by source file.

#include "io/byte_source.h"

#include <cstdint>

class ListingSource : public ByteSource {
 public:
  // Back to the listing's first byte; false (error() says why) when that fails.
  virtual bool rewind() = 0;
  // Bytes read since the start or the last rewind, for progress reports.
  virtual uint64_t consumed() const = 0;
  // The listing's size when known in advance, else 0.
  virtual uint64_t size() const { return 0; }
};
