#pragma once
// Where listing bytes come from: a file, a pipe, memory, or a decoder on top
// of one of them. One pass, front to back, is all the reader asks.

#include <cstddef>
#include <string>
#include <utility>

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes into `buffer`: returns how many, 0 at the end of
  // the stream, -1 on a failure that error() then describes.
  virtual ptrdiff_t read(char* buffer, size_t size) = 0;
  // Why the last read failed, in words ("Input/output error", "truncated
  // gzip data"); empty before any failure.
  const std::string& error() const { return error_; }

 protected:
  ptrdiff_t fail(std::string reason) {
    error_ = std::move(reason);
    return -1;
  }

 private:
  std::string error_;
};
