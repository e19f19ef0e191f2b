#include "io/xz_decoder.h"

#include <new>

#include <lzma.h>

namespace {

const char* reasonFor(lzma_ret status) {
  switch (status) {
    case LZMA_FORMAT_ERROR: return "not in the xz format";
    case LZMA_OPTIONS_ERROR: return "unsupported options";
    case LZMA_DATA_ERROR: return "compressed data is corrupt";
    case LZMA_UNSUPPORTED_CHECK: return "unsupported integrity check";
    default: return "unknown error";
  }
}

class XzDecoder : public StreamDecoder {
 public:
  // liblzma reads concatenated streams and the padding between them itself,
  // so the only end it reports is that of the input.
  XzDecoder() {
    if (lzma_stream_decoder(&stream_, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK) throw std::bad_alloc();
  }
  ~XzDecoder() override { lzma_end(&stream_); }

  DecodeStep step(const unsigned char* in, size_t size, bool inputEnded, char* out, size_t room) override {
    return stepStream(stream_, in, size, out, room, [&](DecodeStep& step) {
      const lzma_ret status = lzma_code(&stream_, inputEnded ? LZMA_FINISH : LZMA_RUN);
      if (status == LZMA_MEM_ERROR) throw std::bad_alloc();
      if (status == LZMA_STREAM_END) step.outcome = DecodeStep::ENDED;
      else if (status != LZMA_OK) step = {0, 0, DecodeStep::CORRUPT, reasonFor(status)};
    });
  }

  void restart() override {}  // never called: the stream ends only with the input
  const char* format() const override { return "xz"; }

 private:
  lzma_stream stream_ = LZMA_STREAM_INIT;
};

}  // namespace

std::unique_ptr<StreamDecoder> makeXzDecoder() { return std::make_unique<XzDecoder>(); }
