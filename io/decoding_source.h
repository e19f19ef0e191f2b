#pragma once
// An input as written, or compressed with gzip, BGZF, xz, zstd or bzip2:
// recognised by its first bytes, so also on standard input. Concatenated
// members, streams or frames are read as one; a truncated or corrupt stream
// is a read failure ("truncated xz data", "corrupt gzip data (...)"), never a
// short input. BGZF is handed on as whole blocks, to be inflated apart
// (bgzf_inflate.h); a file of it must end with a block without text, as
// bgzip ends every file, or it was cut short.

#include "io/bgzf_inflate.h"
#include "io/byte_source.h"
#include "io/stream_decoder.h"
#include "io/text_buffer.h"

#include <memory>
#include <string>
#include <vector>

constexpr size_t SNIFF_BYTES = 18;  // enough for a BGZF header with its 'BC' field first

// Whether the first bytes of an input (SNIFF_BYTES of them, or all it has)
// announce a compressed format.
bool looksCompressed(const unsigned char* bytes, size_t size);

// What an input gives at a time: text, or BGZF blocks still to inflate.
struct DecodedChunk {
  TextBuffer text;   // text from `begin` on; the bytes before it are free room
  size_t begin = 0;  // never past the text's end
  BgzfChunk bgzf;    // when not empty, `text` is empty and these blocks hold it
};

class DecodingSource {
 public:
  explicit DecodingSource(ByteSource& raw);
  ~DecodingSource();
  // Fills `chunk` with the next text, up to `size` bytes after `room` free
  // bytes, or with BGZF blocks. False at the end of the input and on a
  // failure, which error() then names.
  bool next(DecodedChunk& chunk, size_t size, size_t room);
  // Whether the first bytes were seen to be plain text; only after next().
  bool plain() const { return started_ && !decoder_ && !bgzf_; }
  const std::string& error() const { return error_; }

 private:
  bool fill();
  void take(size_t n);
  bool fail(std::string reason);
  bool nextBgzf(DecodedChunk& chunk, size_t size, size_t room);
  bool decode(char* out, size_t room, size_t& produced);

  ByteSource& raw_;
  std::vector<char> input_;  // allocated at the first read: a run that never decodes needs none
  size_t held_ = 0;          // bytes of input_ not yet handed on
  size_t offset_ = 0;        // where they start
  bool started_ = false;
  bool rawEnded_ = false;
  bool streamEnded_ = false;                // the decoder stands between two streams
  std::unique_ptr<StreamDecoder> decoder_;  // none for plain text; gzip members within BGZF
  bool bgzf_ = false;
  bool streaming_ = false;  // BGZF: decoder_ is inside a member that is no BGZF block
  bool lastHadText_ = false;  // BGZF: the last member seen held text
  std::string error_;
};
