#pragma once
// Where listing bytes come from: a file, a pipe, memory, or a decoder on top
// of one of them. One pass, front to back, is all the reader asks.

#include <cstddef>
#include <cstdint>
#include <string>

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes into `buffer`: returns how many, 0 at the end of
  // the stream, -1 on a failure that error() then describes.
  virtual ptrdiff_t read(char* buffer, size_t size) = 0;
  virtual std::string error() const { return "read error"; }
};

// A source that can be read again from its first byte: a listing that turns
// out not to be grouped by source file is read a second time whole.
class RewindableSource : public ByteSource {
 public:
  // False (with error() set) when the bytes cannot be had again.
  virtual bool rewind() = 0;
  // Bytes read since the start or the last rewind, for progress reports.
  virtual uint64_t consumed() const = 0;
  // Size of the whole input when known in advance, else 0.
  virtual uint64_t size() const { return 0; }
};
