#include "io/bgzf_inflate.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include <libdeflate.h>

namespace {

constexpr size_t FIXED_HEADER = 12;  // magic, method, flags, time, extra flags, system, extra length
constexpr size_t TRAILER = 8;        // CRC32 and length of the text

uint32_t le16(const unsigned char* p) { return p[0] | p[1] << 8; }
uint32_t le32(const unsigned char* p) { return le16(p) | le16(p + 2) << 16; }

struct Inflater {
  libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  ~Inflater() { libdeflate_free_decompressor(d); }
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

size_t takeBgzfBlocks(const unsigned char* in, size_t size, BgzfChunk& chunk) {
  size_t at = 0;
  for (;;) {
    const ptrdiff_t found = bgzfBlockSize(in + at, size - at);
    if (found <= 0) break;
    const size_t blockSize = static_cast<size_t>(found);
    if (blockSize > size - at) break;  // the rest of it is still to come
    const size_t header = FIXED_HEADER + le16(in + at + 10);
    if (blockSize < header + TRAILER) break;  // no room for its data: left to the gzip stream, which refuses it
    const uint32_t text = le32(in + at + blockSize - 4);
    if (text > BGZF_MAX_BLOCK_TEXT || chunk.text + text > BGZF_CHUNK_TEXT) break;
    chunk.blocks.append(reinterpret_cast<const char*>(in + at), blockSize);
    chunk.text += text;
    chunk.lastHadText = text > 0;
    at += blockSize;
  }
  return at;
}

const char* inflateBgzfChunk(const BgzfChunk& chunk, char* text) {
  Inflater inflater;
  if (inflater.d == nullptr) throw std::bad_alloc();
  const auto* b = reinterpret_cast<const unsigned char*>(chunk.blocks.data());
  for (size_t at = 0; at < chunk.blocks.size();) {
    const size_t blockSize = static_cast<size_t>(bgzfBlockSize(b + at, chunk.blocks.size() - at));
    const size_t header = FIXED_HEADER + le16(b + at + 10);
    const unsigned char* trailer = b + at + blockSize - TRAILER;
    const uint32_t size = le32(trailer + 4);
    size_t in = 0, out = 0;
    const libdeflate_result r = libdeflate_deflate_decompress_ex(inflater.d, b + at + header, blockSize - header - TRAILER,
                                                                 text, size, &in, &out);
    if (r == LIBDEFLATE_BAD_DATA) return "invalid deflate data";
    if (r != LIBDEFLATE_SUCCESS || out != size) return "length mismatch";
    if (in != blockSize - header - TRAILER) return "deflate data ends before its block";
    if (libdeflate_crc32(0, text, out) != le32(trailer)) return "CRC mismatch";
    text += size;
    at += blockSize;
  }
  return nullptr;
}
