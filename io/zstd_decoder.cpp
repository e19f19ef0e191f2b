#include "io/zstd_decoder.h"

#include <new>

#include <zstd.h>
#include <zstd_errors.h>

namespace {

class ZstdDecoder : public StreamDecoder {
 public:
  ZstdDecoder() : stream_(ZSTD_createDStream()) {
    if (stream_ == nullptr) throw std::bad_alloc();
  }
  ~ZstdDecoder() override { ZSTD_freeDStream(stream_); }

  DecodeStep step(const unsigned char* in, size_t size, bool, char* out, size_t room) override {
    ZSTD_inBuffer input{in, size, 0};
    ZSTD_outBuffer output{out, room, 0};
    const size_t status = ZSTD_decompressStream(stream_, &output, &input);
    DecodeStep step;
    step.used = input.pos;
    step.produced = output.pos;
    if (ZSTD_isError(status) && ZSTD_getErrorCode(status) == ZSTD_error_memory_allocation) throw std::bad_alloc();
    if (ZSTD_isError(status)) {
      step.outcome = DecodeStep::CORRUPT;
      step.reason = ZSTD_getErrorName(status);
    } else if (status == 0) {
      step.outcome = DecodeStep::ENDED;  // a frame decoded and flushed whole
    }
    return step;
  }

  void restart() override {}  // the stream starts a following frame by itself
  const char* format() const override { return "zstd"; }

 private:
  ZSTD_DStream* stream_;
};

}  // namespace

std::unique_ptr<StreamDecoder> makeZstdDecoder() { return std::make_unique<ZstdDecoder>(); }
