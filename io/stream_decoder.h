#pragma once
// One compressed format behind DecodingSource. DecodingSource keeps the input
// buffer and the loop that feeds it; a decoder only turns the bytes it is
// shown into listing bytes and says where it stands.

#include <algorithm>
#include <cstddef>
#include <limits>
#include <string>

constexpr size_t DECODER_INPUT_BYTES = 1 << 18;  // input buffer of a streaming decoder

struct DecodeStep {
  enum Outcome {
    GOING,    // more is to come; a step that neither took nor gave asks for more input
    ENDED,    // a stream (member, frame) ended here: the input may end, or another stream follow
    CORRUPT,  // the data cannot be decoded; `reason` says why in the library's words
  };
  size_t used = 0;      // input bytes taken
  size_t produced = 0;  // output bytes written
  Outcome outcome = GOING;
  std::string reason;
};

class StreamDecoder {
 public:
  StreamDecoder() = default;
  StreamDecoder(const StreamDecoder&) = delete;  // each holds a library's stream state
  StreamDecoder& operator=(const StreamDecoder&) = delete;
  virtual ~StreamDecoder() = default;
  // Decodes from the `size` bytes at `in` into at most `room` bytes at `out`.
  // `inputEnded`: no input follows what is shown. Input not taken is shown
  // again, with more after it, at the next step.
  virtual DecodeStep step(const unsigned char* in, size_t size, bool inputEnded, char* out, size_t room) = 0;
  // Gets ready for another stream after one that ENDED.
  virtual void restart() = 0;
  // The format's name in messages ("truncated xz data").
  virtual const char* format() const = 0;
  // How much input the decoder wants to be shown at once.
  virtual size_t inputBytes() const { return DECODER_INPUT_BYTES; }
};

// One step of a library whose stream has zlib's next_in, avail_in, next_out
// and avail_out (ISA-L, liblzma and libbz2 copied them): points it at the
// input and output, lets `decode` run the library and set the outcome, and
// counts what was taken and given. The libraries only read through next_in.
template <class Stream, class Decode>
DecodeStep stepStream(Stream& s, const unsigned char* in, size_t size, char* out, size_t room, Decode decode) {
  using Count = decltype(s.avail_in);
  const Count inBefore = static_cast<Count>(std::min<size_t>(size, std::numeric_limits<Count>::max()));
  const Count outBefore = static_cast<Count>(std::min<size_t>(room, std::numeric_limits<Count>::max()));
  s.next_in = reinterpret_cast<decltype(s.next_in)>(const_cast<unsigned char*>(in));
  s.avail_in = inBefore;
  s.next_out = reinterpret_cast<decltype(s.next_out)>(out);
  s.avail_out = outBefore;
  DecodeStep step;
  decode(step);
  step.used = inBefore - s.avail_in;
  step.produced = outBefore - s.avail_out;
  return step;
}
