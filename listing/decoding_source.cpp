#include "listing/decoding_source.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <zlib.h>

struct DecodingSource::Inflater {
  z_stream stream{};
  bool memberEnded = false;
  Inflater() {
    if (inflateInit2(&stream, 15 + 16) != Z_OK) throw std::bad_alloc();  // 15 + 16: gzip wrapper only
  }
  ~Inflater() { inflateEnd(&stream); }
};

DecodingSource::DecodingSource(ByteSource& raw) : raw_(raw) {}
DecodingSource::~DecodingSource() = default;

// Moves what is held to the front of the buffer and reads more after it.
bool DecodingSource::fill() {
  if (offset_ > 0) {
    std::memmove(input_.data(), input_.data() + offset_, held_);
    offset_ = 0;
  }
  ptrdiff_t n = raw_.read(input_.data() + held_, input_.size() - held_);
  if (n < 0) {
    fail(raw_.error());
    return false;
  }
  if (n == 0) rawEnded_ = true;
  held_ += static_cast<size_t>(n);
  return true;
}

ptrdiff_t DecodingSource::read(char* buffer, size_t size) {
  if (!started_) {
    started_ = true;
    input_.resize(1 << 18);
    while (held_ < 2 && !rawEnded_)
      if (!fill()) return -1;
    if (held_ >= 2 && static_cast<unsigned char>(input_[0]) == 0x1f && static_cast<unsigned char>(input_[1]) == 0x8b)
      inflater_ = std::make_unique<Inflater>();
  }
  if (!inflater_) {
    if (held_ == 0) {
      ptrdiff_t n = raw_.read(buffer, size);
      return n < 0 ? fail(raw_.error()) : n;
    }
    size_t n = std::min(size, held_);
    std::memcpy(buffer, input_.data() + offset_, n);
    offset_ += n;
    held_ -= n;
    return static_cast<ptrdiff_t>(n);
  }
  z_stream& z = inflater_->stream;
  for (;;) {
    if (held_ == 0 && !rawEnded_ && !fill()) return -1;
    if (inflater_->memberEnded) {
      if (held_ == 0) return 0;  // the last member ended with the input
      // Another member follows, as `cat a.gz b.gz` makes.
      if (inflateReset(&z) != Z_OK) return fail("cannot restart the gzip decoder");
      inflater_->memberEnded = false;
    }
    z.next_in = reinterpret_cast<Bytef*>(input_.data() + offset_);
    z.avail_in = static_cast<uInt>(held_);
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    int status = inflate(&z, Z_NO_FLUSH);
    size_t used = held_ - z.avail_in;
    offset_ += used;
    held_ -= used;
    ptrdiff_t produced = reinterpret_cast<char*>(z.next_out) - buffer;
    if (status == Z_STREAM_END) inflater_->memberEnded = true;
    else if (status != Z_OK && status != Z_BUF_ERROR)
      return fail(std::string("corrupt gzip data (") + (z.msg != nullptr ? z.msg : "unknown error") + ")");
    if (produced > 0) return produced;
    if (held_ == 0 && rawEnded_ && !inflater_->memberEnded) return fail("truncated gzip data");
  }
}
