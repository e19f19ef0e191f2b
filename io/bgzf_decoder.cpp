#include "io/bgzf_decoder.h"

#include "io/gzip_decoder.h"
#include "pool/task_pool.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include <libdeflate.h>

namespace {

constexpr size_t FIXED_HEADER = 12;  // magic, method, flags, time, extra flags, system, extra length
constexpr size_t TRAILER = 8;        // CRC32 and length of the text
constexpr size_t RUNS_PER_THREAD = 4;

uint32_t le16(const unsigned char* p) { return p[0] | p[1] << 8; }
uint32_t le32(const unsigned char* p) { return le16(p) | le16(p + 2) << 16; }

struct Block {
  const unsigned char* deflated;  // the raw deflate data, in the caller's input
  size_t deflatedSize;
  size_t textAt;     // where its text goes in the batch
  uint32_t textSize;  // from the trailer: the text's length
  uint32_t crc;       // and its CRC32
};

// Inflates one block into `text`; the reason it fails, or null.
const char* inflateBlock(libdeflate_decompressor* d, const Block& b, char* text) {
  size_t in = 0, out = 0;
  const libdeflate_result r = libdeflate_deflate_decompress_ex(d, b.deflated, b.deflatedSize, text, b.textSize, &in, &out);
  if (r == LIBDEFLATE_BAD_DATA) return "invalid deflate data";
  if (r != LIBDEFLATE_SUCCESS || out != b.textSize) return "length mismatch";
  if (in != b.deflatedSize) return "deflate data ends before its block";
  if (libdeflate_crc32(0, text, out) != b.crc) return "CRC mismatch";
  return nullptr;
}

class BgzfDecoder : public StreamDecoder {
 public:
  explicit BgzfDecoder(TaskPool* pool)
      : pool_(pool), text_(std::make_unique_for_overwrite<char[]>(BGZF_BATCH_TEXT)), member_(makeGzipDecoder()) {}
  ~BgzfDecoder() override {
    for (libdeflate_decompressor* d : inflaters_) libdeflate_free_decompressor(d);
  }

  DecodeStep step(const unsigned char* in, size_t size, bool inputEnded, char* out, size_t room) override {
    DecodeStep step;
    if (handed_ == textSize_) {
      if (!streaming_) {
        step.used = plan(in, size);
        if (!streaming_ && blocks_.empty()) return step;  // no whole block yet: more input, or truncated
      }
      if (streaming_) {
        step = member_->step(in, size, inputEnded, out, room);
        if (step.outcome == DecodeStep::ENDED) streaming_ = false;
        return step;
      }
      if (const char* reason = inflateBatch()) {
        step.outcome = DecodeStep::CORRUPT;
        step.reason = reason;
        return step;
      }
    }
    step.produced = std::min(room, textSize_ - handed_);
    std::memcpy(out, text_.get() + handed_, step.produced);
    handed_ += step.produced;
    // Blocks are whole members, so a batch handed on ends between members.
    if (handed_ == textSize_) step.outcome = DecodeStep::ENDED;
    return step;
  }

  void restart() override {}  // each block, and each streamed member, starts afresh by itself
  const char* format() const override { return "gzip"; }
  size_t inputBytes() const override { return BGZF_INPUT_BYTES; }

 private:
  // Lists the whole blocks at the front of `in` that fit one batch and returns
  // the bytes they take. When the first member is no block, or one too large
  // for a batch, it is left to the streaming inflater instead.
  size_t plan(const unsigned char* in, size_t size) {
    blocks_.clear();
    textSize_ = handed_ = 0;
    size_t at = 0;
    for (;;) {
      const ptrdiff_t found = bgzfBlockSize(in + at, size - at);
      if (found == 0) return at;
      const size_t blockSize = static_cast<size_t>(std::max<ptrdiff_t>(found, 0));
      if (blockSize > size - at) return at;  // the rest of it is still to come
      const size_t header = found > 0 ? FIXED_HEADER + le16(in + at + 10) : 0;
      const unsigned char* trailer = found > 0 && blockSize >= header + TRAILER ? in + at + blockSize - TRAILER : nullptr;
      if (trailer == nullptr || le32(trailer + 4) > BGZF_MAX_BLOCK_TEXT) {
        if (at == 0) {
          streaming_ = true;
          member_->restart();
        }
        return at;
      }
      const uint32_t textSize = le32(trailer + 4);
      if (textSize_ + textSize > BGZF_BATCH_TEXT) return at;
      blocks_.push_back({in + at + header, blockSize - header - TRAILER, textSize_, textSize, le32(trailer)});
      textSize_ += textSize;
      at += blockSize;
    }
  }

  // Inflates the planned blocks, in runs of neighbours; the reason the
  // first bad block fails, or null.
  const char* inflateBatch() {
    // Several runs a thread, so that a thread that starts late, or shares its
    // core with other work, leaves the rest of its share to the others.
    const size_t runs = std::min<size_t>(pool_ != nullptr ? RUNS_PER_THREAD * pool_->threads() : 1, blocks_.size());
    while (inflaters_.size() < runs) {
      inflaters_.push_back(libdeflate_alloc_decompressor());
      if (inflaters_.back() == nullptr) {
        inflaters_.pop_back();
        throw std::bad_alloc();
      }
    }
    failures_.assign(blocks_.size(), nullptr);
    auto run = [&](size_t r) {
      for (size_t k = r * blocks_.size() / runs; k < (r + 1) * blocks_.size() / runs; ++k)
        failures_[k] = inflateBlock(inflaters_[r], blocks_[k], text_.get() + blocks_[k].textAt);
    };
    if (pool_ != nullptr && runs > 1) pool_->parallelFor(runs, run);
    else for (size_t r = 0; r < runs; ++r) run(r);
    for (const char* reason : failures_)
      if (reason != nullptr) return reason;
    return nullptr;
  }

  TaskPool* pool_;
  std::unique_ptr<char[]> text_;                  // the batch's text
  size_t textSize_ = 0;                           // bytes of it
  size_t handed_ = 0;                             // bytes of it handed on
  std::vector<Block> blocks_;                     // the batch
  std::vector<const char*> failures_;             // why each block of it failed, or null
  std::vector<libdeflate_decompressor*> inflaters_;  // one a run
  std::unique_ptr<StreamDecoder> member_;         // for members that are no block
  bool streaming_ = false;                        // member_ is in the middle of one
};

}  // namespace

ptrdiff_t bgzfBlockSize(const unsigned char* b, size_t size) {
  // gzip, deflate, with an extra field and no name, comment or header CRC after it.
  const unsigned char start[] = {0x1f, 0x8b, 8, 4};
  if (std::memcmp(b, start, std::min(size, sizeof start)) != 0) return -1;
  if (size < FIXED_HEADER) return 0;
  const size_t extraEnd = FIXED_HEADER + le16(b + 10);
  if (size < extraEnd) return 0;
  for (size_t at = FIXED_HEADER; at + 4 <= extraEnd; at += 4 + le16(b + at + 2))
    if (b[at] == 'B' && b[at + 1] == 'C' && le16(b + at + 2) == 2 && at + 6 <= extraEnd)
      return static_cast<ptrdiff_t>(le16(b + at + 4)) + 1;
  return -1;
}

std::unique_ptr<StreamDecoder> makeBgzfDecoder(TaskPool* pool) { return std::make_unique<BgzfDecoder>(pool); }
