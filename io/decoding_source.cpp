#include "io/decoding_source.h"

#include "io/bgzf_decoder.h"
#include "io/bzip2_decoder.h"
#include "io/gzip_decoder.h"
#include "io/xz_decoder.h"
#include "io/zstd_decoder.h"

#include <algorithm>
#include <cstring>

namespace {

// The decoder for the format that the first bytes announce; none for plain text.
std::unique_ptr<StreamDecoder> decoderFor(const unsigned char* b, size_t n, TaskPool* pool) {
  auto starts = [&](std::initializer_list<unsigned char> magic) {
    return n >= magic.size() && std::equal(magic.begin(), magic.end(), b);
  };
  if (starts({0x1f, 0x8b})) return bgzfBlockSize(b, n) > 0 ? makeBgzfDecoder(pool) : makeGzipDecoder();
  if (starts({0xfd, '7', 'z', 'X', 'Z', 0x00})) return makeXzDecoder();
  if (starts({0x28, 0xb5, 0x2f, 0xfd})) return makeZstdDecoder();
  // "BZh", the block size, then the magic of a first block or of the stream's end.
  if (n >= 10 && starts({'B', 'Z', 'h'}) && b[3] >= '1' && b[3] <= '9' &&
      (std::memcmp(b + 4, "\x31\x41\x59\x26\x53\x59", 6) == 0 || std::memcmp(b + 4, "\x17\x72\x45\x38\x50\x90", 6) == 0))
    return makeBzip2Decoder();
  return nullptr;
}

}  // namespace

DecodingSource::DecodingSource(ByteSource& raw, TaskPool* pool) : raw_(raw), pool_(pool) {}
DecodingSource::~DecodingSource() = default;

// Moves what is held to the front of the buffer and reads after it until the
// buffer is full or the raw stream ends, so that a decoder wanting whole
// blocks sees as many as fit.
bool DecodingSource::fill() {
  if (offset_ > 0) {
    std::memmove(input_.data(), input_.data() + offset_, held_);
    offset_ = 0;
  }
  while (!rawEnded_ && held_ < input_.size()) {
    const ptrdiff_t n = raw_.read(input_.data() + held_, input_.size() - held_);
    if (n < 0) {
      fail(raw_.error());
      return false;
    }
    if (n == 0) rawEnded_ = true;
    held_ += static_cast<size_t>(n);
  }
  return true;
}

void DecodingSource::take(size_t n) {
  offset_ += n;
  held_ -= n;
}

ptrdiff_t DecodingSource::read(char* buffer, size_t size) {
  if (size == 0) return 0;  // a decoder given no room could take nothing and give nothing, for ever
  if (!started_) {
    started_ = true;
    input_.resize(DECODER_INPUT_BYTES);
    if (!fill()) return -1;
    decoder_ = decoderFor(reinterpret_cast<const unsigned char*>(input_.data()), std::min(held_, SNIFF_BYTES), pool_);
    if (decoder_ && decoder_->inputBytes() > input_.size()) input_.resize(decoder_->inputBytes());
  }
  if (!decoder_) {
    if (held_ == 0) {
      const ptrdiff_t n = raw_.read(buffer, size);
      return n < 0 ? fail(raw_.error()) : n;
    }
    const size_t n = std::min(size, held_);
    std::memcpy(buffer, input_.data() + offset_, n);
    take(n);
    return static_cast<ptrdiff_t>(n);
  }
  for (;;) {
    if (held_ == 0 && !rawEnded_ && !fill()) return -1;
    if (streamEnded_) {
      if (held_ == 0) return 0;  // the last stream ended with the input
      // Another stream follows, as `cat a.gz b.gz` makes.
      decoder_->restart();
      streamEnded_ = false;
    }
    DecodeStep step = decoder_->step(reinterpret_cast<const unsigned char*>(input_.data() + offset_), held_,
                                     rawEnded_, buffer, size);
    take(step.used);
    if (step.outcome == DecodeStep::CORRUPT)
      return fail(std::string("corrupt ") + decoder_->format() + " data (" + step.reason + ")");
    streamEnded_ = step.outcome == DecodeStep::ENDED;
    if (step.produced > 0) return static_cast<ptrdiff_t>(step.produced);
    if (step.used == 0 && !streamEnded_) {
      if (rawEnded_) return fail(std::string("truncated ") + decoder_->format() + " data");
      if (!fill()) return -1;
    }
  }
}
