#pragma once
// Sixteen bytes at a time in the compiler's portable vectors: the scans that
// must run at memory speed (line feeds, a flat file's record ends, a
// listing's keys) compare them all at once without a target's intrinsics.

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

typedef unsigned char ByteLanes __attribute__((vector_size(16)));

// The sixteen bytes at `p`, wherever they are aligned.
inline ByteLanes loadLanes(const char* p) {
  ByteLanes lanes;
  std::memcpy(&lanes, p, 16);
  return lanes;
}

inline ByteLanes allLanes(char c) { return ByteLanes{} + static_cast<unsigned char>(c); }

// Bit k set when lane k of a comparison matched (all ones).
template <typename Matched>
inline uint32_t laneBits(Matched matched) {
#if defined(__SSE2__)
  __m128i lanes;
  std::memcpy(&lanes, &matched, 16);
  return static_cast<uint32_t>(_mm_movemask_epi8(lanes));
#else
  // Each half's top bits gathered into its top byte by one multiply.
  uint64_t halves[2];
  std::memcpy(halves, &matched, 16);
  uint32_t bits = 0;
  for (int h = 0; h < 2; ++h)
    bits |= static_cast<uint32_t>((((halves[h] & 0x8080808080808080ULL) >> 7) * 0x0102040810204080ULL) >> 56) << (8 * h);
  return bits;
#endif
}

// The places among the 64 bytes at `p` that hold `c`, as bits.
inline uint64_t matchBits64(const char* p, char c) {
  const ByteLanes wanted = allLanes(c);
  uint64_t bits = 0;
  for (int k = 0; k < 4; ++k) bits |= uint64_t{laneBits(loadLanes(p + 16 * k) == wanted)} << (16 * k);
  return bits;
}
