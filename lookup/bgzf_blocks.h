#pragma once
// A table written as BGZF: gzip members of at most 64 KiB each, which gzip,
// zcat and every BGZF reader take, and which threads can make side by side
// since each block stands alone.

#include <cstddef>
#include <string>
#include <string_view>

struct libdeflate_compressor;

constexpr size_t BGZF_BLOCK_INPUT = 65280;  // input bytes of one block: even stored, the block stays within 64 KiB
constexpr size_t BGZF_MAX_BLOCK = 65536;    // bytes of one block at most, as BSIZE + 1 counts them
constexpr int BGZF_MAX_LEVEL = 9;           // levels 1..9 as gzip's; 0 stores without compressing

// The empty block that ends a BGZF file, so that a reader can tell a whole
// file from a cut one.
constexpr std::string_view BGZF_EOF_BLOCK{
    "\x1f\x8b\x08\x04\0\0\0\0\0\xff\x06\0\x42\x43\x02\0\x1b\0\x03\0\0\0\0\0\0\0\0\0", 28};

// Owns one libdeflate compressor, which is not for two threads at once: each
// thread that compresses holds its own.
class BgzfCompressor {
 public:
  // `level` 0..BGZF_MAX_LEVEL; out of range, or out of memory, the compressor
  // is not ready().
  explicit BgzfCompressor(int level);
  ~BgzfCompressor();
  BgzfCompressor(const BgzfCompressor&) = delete;
  BgzfCompressor& operator=(const BgzfCompressor&) = delete;

  bool ready() const { return compressor_ != nullptr; }
  // Appends `bytes` to `out` as whole blocks of BGZF_BLOCK_INPUT input bytes,
  // the last one shorter; nothing for no bytes. False, with `out` as it was,
  // when the compressor is not ready.
  bool appendBlocks(std::string_view bytes, std::string& out);

 private:
  libdeflate_compressor* compressor_;
};
