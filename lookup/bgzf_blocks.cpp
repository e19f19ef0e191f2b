#include "lookup/bgzf_blocks.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstdint>

namespace {

constexpr size_t HEADER_SIZE = 18;  // gzip header with the 6-byte extra field that holds BSIZE
constexpr size_t TRAILER_SIZE = 8;  // CRC32 and ISIZE

void putLittleEndian(char* at, uint32_t value, int bytes) {
  for (int k = 0; k < bytes; ++k) at[k] = static_cast<char>(value >> (8 * k) & 0xff);
}

}  // namespace

BgzfCompressor::BgzfCompressor(int level)
    : compressor_(level >= 0 && level <= BGZF_MAX_LEVEL ? libdeflate_alloc_compressor(level) : nullptr) {}

BgzfCompressor::~BgzfCompressor() { libdeflate_free_compressor(compressor_); }

bool BgzfCompressor::appendBlocks(std::string_view bytes, std::string& out) {
  if (!ready()) return false;
  const size_t roomForDeflate = BGZF_MAX_BLOCK - HEADER_SIZE - TRAILER_SIZE;
  const size_t outAt = out.size();
  for (size_t at = 0; at < bytes.size(); at += BGZF_BLOCK_INPUT) {
    const std::string_view input = bytes.substr(at, BGZF_BLOCK_INPUT);
    const size_t blockAt = out.size();
    // Deflated straight into `out`; the spare room goes again once the size is known.
    out.resize(blockAt + BGZF_MAX_BLOCK);
    char* block = out.data() + blockAt;
    const size_t deflated =
        libdeflate_deflate_compress(compressor_, input.data(), input.size(), block + HEADER_SIZE, roomForDeflate);
    // Deflate stores what it cannot shrink, a few bytes over the input, so
    // BGZF_BLOCK_INPUT bytes always fit.
    if (deflated == 0) {
      out.resize(outAt);
      return false;
    }
    const size_t blockSize = HEADER_SIZE + deflated + TRAILER_SIZE;
    std::copy_n(BGZF_EOF_BLOCK.data(), HEADER_SIZE, block);  // the same header, BSIZE apart
    putLittleEndian(block + 16, static_cast<uint32_t>(blockSize - 1), 2);
    putLittleEndian(block + HEADER_SIZE + deflated, libdeflate_crc32(0, input.data(), input.size()), 4);
    putLittleEndian(block + HEADER_SIZE + deflated + 4, static_cast<uint32_t>(input.size()), 4);
    out.resize(blockAt + blockSize);
  }
  return true;
}
