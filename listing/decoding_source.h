#pragma once
// A listing as written, or gzip-compressed: recognised by its first two
// bytes, so also on standard input. Concatenated gzip members are read as
// one stream; a truncated or corrupt stream is a read failure, never a short
// listing.

#include "listing/byte_source.h"

#include <memory>
#include <vector>

class DecodingSource : public ByteSource {
 public:
  explicit DecodingSource(ByteSource& raw);
  ~DecodingSource() override;
  ptrdiff_t read(char* buffer, size_t size) override;

 private:
  struct Inflater;
  bool fill();

  ByteSource& raw_;
  std::vector<char> input_;  // allocated at the first read: a run that never decodes needs none
  size_t held_ = 0;     // bytes of input_ not yet handed on
  size_t offset_ = 0;   // where they start
  bool started_ = false;
  bool rawEnded_ = false;
  std::unique_ptr<Inflater> inflater_;  // set for gzip input
};
