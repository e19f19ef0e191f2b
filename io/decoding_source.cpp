#include "io/decoding_source.h"

#include "io/bzip2_decoder.h"
#include "io/gzip_decoder.h"
#include "io/xz_decoder.h"
#include "io/zstd_decoder.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t BGZF_INPUT_BYTES = 2 << 20;  // compressed bytes held at once: a chunk's worth and more
constexpr size_t MIN_HELD = 64 << 10;         // input a stream decoder is shown at least, before the end

enum class Kind { PLAIN, GZIP, BGZF, XZ, ZSTD, BZIP2 };

// The format that the first bytes announce.
Kind kindOf(const unsigned char* b, size_t n) {
  auto starts = [&](std::initializer_list<unsigned char> magic) {
    return n >= magic.size() && std::equal(magic.begin(), magic.end(), b);
  };
  if (starts({0x1f, 0x8b})) return bgzfBlockSize(b, n) > 0 ? Kind::BGZF : Kind::GZIP;
  if (starts({0xfd, '7', 'z', 'X', 'Z', 0x00})) return Kind::XZ;
  if (starts({0x28, 0xb5, 0x2f, 0xfd})) return Kind::ZSTD;
  // "BZh", the block size, then the magic of a first block or of the stream's end.
  if (n >= 10 && starts({'B', 'Z', 'h'}) && b[3] >= '1' && b[3] <= '9' &&
      (std::memcmp(b + 4, "\x31\x41\x59\x26\x53\x59", 6) == 0 || std::memcmp(b + 4, "\x17\x72\x45\x38\x50\x90", 6) == 0))
    return Kind::BZIP2;
  return Kind::PLAIN;
}

}  // namespace

bool looksCompressed(const unsigned char* bytes, size_t size) { return kindOf(bytes, size) != Kind::PLAIN; }

DecodingSource::DecodingSource(ByteSource& raw) : raw_(raw) {}
DecodingSource::~DecodingSource() = default;

bool DecodingSource::fail(std::string reason) {
  error_ = std::move(reason);
  return false;
}

// Moves what is held to the front of the buffer and reads after it until the
// buffer is full or the raw stream ends, so that whole BGZF blocks fit.
bool DecodingSource::fill() {
  if (offset_ > 0) {
    std::memmove(input_.data(), input_.data() + offset_, held_);
    offset_ = 0;
  }
  while (!rawEnded_ && held_ < input_.size()) {
    const ptrdiff_t n = raw_.read(input_.data() + held_, input_.size() - held_);
    if (n < 0) return fail(raw_.error());
    if (n == 0) rawEnded_ = true;
    held_ += static_cast<size_t>(n);
  }
  return true;
}

void DecodingSource::take(size_t n) {
  offset_ += n;
  held_ -= n;
}

// Decodes a stream into `out`; `produced` 0 at its clean end.
bool DecodingSource::decode(char* out, size_t room, size_t& produced) {
  for (;;) {
    // Shown whole, a member's header is read at once: ISA-L misreads a gzip
    // header cut between two steps.
    if (held_ < MIN_HELD && !rawEnded_ && !fill()) return false;
    if (streamEnded_) {
      if (held_ == 0 || bgzf_) {  // within BGZF the next member may be a block again
        produced = 0;
        return true;
      }
      // Another stream follows, as `cat a.gz b.gz` makes.
      decoder_->restart();
      streamEnded_ = false;
    }
    DecodeStep step = decoder_->step(reinterpret_cast<const unsigned char*>(input_.data() + offset_), held_,
                                     rawEnded_, out, room);
    take(step.used);
    if (step.outcome == DecodeStep::CORRUPT)
      return fail(std::string("corrupt ") + decoder_->format() + " data (" + step.reason + ")");
    streamEnded_ = step.outcome == DecodeStep::ENDED;
    if (step.produced > 0 || (streamEnded_ && bgzf_)) {
      produced = step.produced;
      return true;
    }
    if (step.used == 0 && !streamEnded_) {
      if (rawEnded_) return fail(std::string("truncated ") + decoder_->format() + " data");
      if (!fill()) return false;
    }
  }
}

bool DecodingSource::nextBgzf(DecodedChunk& chunk, size_t size, size_t room) {
  for (;;) {
    if (streaming_) {
      chunk.text.resize(room + size);
      chunk.begin = room;
      size_t produced = 0;
      if (!decode(chunk.text.data() + room, size, produced)) return false;
      if (streamEnded_) {
        streaming_ = false;
        lastHadText_ = false;  // a plain gzip member ends the file as well as an empty block
      }
      chunk.text.resize(room + produced);
      if (produced > 0) return true;
      continue;
    }
    if (held_ < BGZF_INPUT_BYTES / 2 && !rawEnded_ && !fill()) return false;
    const auto* in = reinterpret_cast<const unsigned char*>(input_.data() + offset_);
    const size_t taken = takeBgzfBlocks(in, held_, chunk.bgzf);
    take(taken);
    if (taken > 0) {
      lastHadText_ = chunk.bgzf.lastHadText;
      return true;
    }
    if (held_ == 0) {
      if (lastHadText_) return fail("truncated BGZF data (no end-of-file block)");
      return false;
    }
    const ptrdiff_t block = bgzfBlockSize(in, held_);
    if (block == 0 || (block > 0 && static_cast<size_t>(block) > held_)) {
      if (rawEnded_) return fail("truncated gzip data");
      if (!fill()) return false;
      continue;
    }
    // A member that is no BGZF block (a plain gzip member appended): inflated as a stream.
    streaming_ = true;
    streamEnded_ = false;
    decoder_->restart();
  }
}

bool DecodingSource::next(DecodedChunk& chunk, size_t size, size_t room) {
  chunk.text.clear();
  chunk.begin = 0;
  chunk.bgzf = BgzfChunk();
  if (size == 0) return false;
  if (!started_) {
    started_ = true;
    input_.resize(DECODER_INPUT_BYTES);
    if (!fill()) return false;
    const Kind kind = kindOf(reinterpret_cast<const unsigned char*>(input_.data()), std::min(held_, SNIFF_BYTES));
    switch (kind) {
      case Kind::PLAIN: break;
      case Kind::GZIP: decoder_ = makeGzipDecoder(); break;
      case Kind::BGZF: decoder_ = makeGzipDecoder(), bgzf_ = true; break;
      case Kind::XZ: decoder_ = makeXzDecoder(); break;
      case Kind::ZSTD: decoder_ = makeZstdDecoder(); break;
      case Kind::BZIP2: decoder_ = makeBzip2Decoder(); break;
    }
    if (bgzf_) input_.resize(BGZF_INPUT_BYTES);
  }
  if (bgzf_) return nextBgzf(chunk, size, room);
  chunk.text.resize(room + size);
  chunk.begin = room;
  char* out = chunk.text.data() + room;
  size_t got = 0;
  if (!decoder_) {
    got = std::min(size, held_);
    std::memcpy(out, input_.data() + offset_, got);
    take(got);
    while (got < size) {
      const ptrdiff_t n = raw_.read(out + got, size - got);
      if (n < 0) return fail(raw_.error());
      if (n == 0) break;
      got += static_cast<size_t>(n);
    }
  } else {
    // Decoded into the chunk until it is full or the input ends.
    for (size_t produced = 1; got < size && produced > 0;)
      if (!decode(out + got, size - got, produced)) return false; else got += produced;
  }
  chunk.text.resize(room + got);
  return got > 0;
}
