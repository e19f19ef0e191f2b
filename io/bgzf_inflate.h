#pragma once
// BGZF, as bgzip writes it: gzip members of at most 64 KB of text each, whose
// header gives the member's size ('BC' extra field). Whole blocks are taken
// from the input in chunks, and the chunks inflated apart, on any thread.

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t BGZF_MAX_BLOCK_TEXT = 1 << 16;  // inflated bytes of one block, at the most
constexpr size_t BGZF_CHUNK_TEXT = 1 << 20;      // inflated bytes of one chunk, at the most

// The size in bytes of the BGZF block whose header starts `bytes`; 0 when
// more bytes are needed to tell, -1 when it is no BGZF block header (another
// gzip member, or no gzip at all).
ptrdiff_t bgzfBlockSize(const unsigned char* bytes, size_t size);

// Whole BGZF blocks, as they stand in the input, and the text they hold.
struct BgzfChunk {
  std::string blocks;     // the blocks' bytes
  size_t text = 0;        // bytes of text they inflate to
  bool lastHadText = false;  // the last block is not an empty one (bgzip ends a file with an empty one)
};

// Moves the whole BGZF blocks at the front of the `size` bytes at `in` into
// `chunk`, up to BGZF_CHUNK_TEXT bytes of text; returns the bytes taken. 0
// when the first block is not whole yet, or is no BGZF block (then
// bgzfBlockSize tells which).
size_t takeBgzfBlocks(const unsigned char* in, size_t size, BgzfChunk& chunk);

// Inflates the chunk's blocks into `text`, which has room for chunk.text
// bytes; the reason the first bad block fails ("CRC mismatch"), or null.
// Throws std::bad_alloc when no inflater can be had.
const char* inflateBgzfChunk(const BgzfChunk& chunk, char* text);
