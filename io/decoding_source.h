#pragma once
// A listing as written, or compressed with gzip, BGZF, xz, zstd or bzip2:
// recognised by its first bytes, so also on standard input. Concatenated
// members, streams or frames are read as one; a truncated or corrupt stream
// is a read failure ("truncated xz data", "corrupt gzip data (...)"), never a
// short listing. BGZF blocks are inflated on the pool's threads when a pool
// is given, else on the caller's.

#include "io/byte_source.h"
#include "io/stream_decoder.h"

#include <memory>
#include <vector>

class TaskPool;

constexpr size_t SNIFF_BYTES = 18;  // enough for a BGZF header with its 'BC' field first

class DecodingSource : public ByteSource {
 public:
  explicit DecodingSource(ByteSource& raw, TaskPool* pool = nullptr);
  ~DecodingSource() override;
  ptrdiff_t read(char* buffer, size_t size) override;

 private:
  bool fill();
  void take(size_t n);

  ByteSource& raw_;
  TaskPool* pool_;
  std::vector<char> input_;  // allocated at the first read: a run that never decodes needs none
  size_t held_ = 0;          // bytes of input_ not yet handed on
  size_t offset_ = 0;        // where they start
  bool started_ = false;
  bool rawEnded_ = false;
  bool streamEnded_ = false;                 // the decoder stands between two streams
  std::unique_ptr<StreamDecoder> decoder_;  // none for plain text
};
