#pragma once
// BGZF, as bgzip writes it: gzip members of at most 64 KB of text each, whose
// header gives the member's size ('BC' extra field). Whole members are read
// in batches and inflated side by side; a member that is no such block (a
// plain gzip member appended) is inflated as a stream.

#include "io/stream_decoder.h"

#include <memory>

class TaskPool;

constexpr size_t BGZF_MAX_BLOCK_TEXT = 1 << 16;  // inflated bytes of one block, at the most
constexpr size_t BGZF_BATCH_TEXT = 4 << 20;      // inflated bytes of one batch of blocks, at the most
constexpr size_t BGZF_INPUT_BYTES = 2 << 20;     // compressed bytes shown at once: a batch's worth and more

// The size in bytes of the BGZF block whose header starts `bytes`; 0 when
// more bytes are needed to tell, -1 when it is no BGZF block header (another
// gzip member, or no gzip at all).
ptrdiff_t bgzfBlockSize(const unsigned char* bytes, size_t size);

// Inflates on `pool`'s threads when there is one, else on the caller's.
std::unique_ptr<StreamDecoder> makeBgzfDecoder(TaskPool* pool);
