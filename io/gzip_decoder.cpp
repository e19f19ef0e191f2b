#include "io/gzip_decoder.h"

#include <isa-l/igzip_lib.h>

namespace {

const char* reasonFor(int status) {
  switch (status) {
    case ISAL_INVALID_BLOCK: return "invalid block";
    case ISAL_INVALID_SYMBOL: return "invalid code";
    case ISAL_INVALID_LOOKBACK: return "invalid distance too far back";
    case ISAL_INVALID_WRAPPER: return "invalid gzip header";
    case ISAL_UNSUPPORTED_METHOD: return "unknown compression method";
    case ISAL_INCORRECT_CHECKSUM: return "CRC or length mismatch";
    default: return "unknown error";
  }
}

class GzipDecoder : public StreamDecoder {
 public:
  GzipDecoder() : state_(std::make_unique<inflate_state>()) { restart(); }

  DecodeStep step(const unsigned char* in, size_t size, bool, char* out, size_t room) override {
    return stepStream(*state_, in, size, out, room, [this](DecodeStep& step) {
      const int status = isal_inflate(state_.get());
      if (status < 0) step = {0, 0, DecodeStep::CORRUPT, reasonFor(status)};
      else if (state_->block_state == ISAL_BLOCK_FINISH) step.outcome = DecodeStep::ENDED;
    });
  }

  void restart() override {
    isal_inflate_init(state_.get());
    state_->crc_flag = ISAL_GZIP;  // parse the header, check CRC and length in the trailer
  }

  const char* format() const override { return "gzip"; }

 private:
  std::unique_ptr<inflate_state> state_;  // some 85 KB of history and tables
};

}  // namespace

std::unique_ptr<StreamDecoder> makeGzipDecoder() { return std::make_unique<GzipDecoder>(); }
