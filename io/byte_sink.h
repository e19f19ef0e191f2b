#pragma once
// Where the table's bytes go: a file, a pipe, memory, or a compressor on top
// of one of them.

#include <string>
#include <string_view>
#include <utility>

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all of `bytes`; false on a failure that error() then describes.
  virtual bool write(std::string_view bytes) = 0;
  // Why the last write failed, in words ("No space left on device"); empty
  // before any failure.
  const std::string& error() const { return error_; }

 protected:
  bool fail(std::string reason) {
    error_ = std::move(reason);
    return false;
  }

 private:
  std::string error_;
};
