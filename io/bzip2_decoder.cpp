#include "io/bzip2_decoder.h"

#include <new>

#include <bzlib.h>

namespace {

const char* reasonFor(int status) {
  switch (status) {
    case BZ_DATA_ERROR: return "data integrity error";
    case BZ_DATA_ERROR_MAGIC: return "not a bzip2 stream";
    default: return "unknown error";
  }
}

class Bzip2Decoder : public StreamDecoder {
 public:
  Bzip2Decoder() { start(); }
  ~Bzip2Decoder() override { BZ2_bzDecompressEnd(&stream_); }

  DecodeStep step(const unsigned char* in, size_t size, bool, char* out, size_t room) override {
    return stepStream(stream_, in, size, out, room, [this](DecodeStep& step) {
      const int status = BZ2_bzDecompress(&stream_);
      if (status == BZ_MEM_ERROR) throw std::bad_alloc();
      if (status == BZ_STREAM_END) step.outcome = DecodeStep::ENDED;
      else if (status != BZ_OK) step = {0, 0, DecodeStep::CORRUPT, reasonFor(status)};
    });
  }

  // libbz2 ends with its stream: a following one (`cat a.bz2 b.bz2`) needs a new start.
  void restart() override {
    BZ2_bzDecompressEnd(&stream_);
    start();
  }

  const char* format() const override { return "bzip2"; }

 private:
  void start() {
    stream_ = bz_stream{};
    if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) throw std::bad_alloc();
  }

  bz_stream stream_;
};

}  // namespace

std::unique_ptr<StreamDecoder> makeBzip2Decoder() { return std::make_unique<Bzip2Decoder>(); }
