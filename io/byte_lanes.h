#pragma once
// Sixteen bytes at a time in the compiler's portable vectors: the scans that
// must run at memory speed (line feeds, a flat file's record ends, a
// listing's keys) compare them all at once without a target's intrinsics.

#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
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

// Whether `length` bytes at `a` and `b` are the same. Names and a group's
// last lines are mostly 16 bytes or more: compared 16 at a time, inline.
inline bool sameBytes(const char* a, const char* b, size_t length) {
  if (length < 16) return length == 0 || std::memcmp(a, b, length) == 0;
  for (size_t k = 0; k + 16 < length; k += 16)
    if (laneBits(loadLanes(a + k) != loadLanes(b + k)) != 0) return false;
  return laneBits(loadLanes(a + length - 16) != loadLanes(b + length - 16)) == 0;
}

// The lanes a scan is written over, so that it can be built twice: with
// these, which every CPU runs, and with a CPU's wider ones, picked at run
// time (a scan whose lines depend one on the next gains from the width).
struct PortableLanes {
  static uint64_t match64(const char* p, char c) { return matchBits64(p, c); }
  static bool same(const char* a, const char* b, size_t length) { return sameBytes(a, b, length); }
};

#if defined(__x86_64__)
// AVX2's 32-byte lanes. Only a function built for AVX2 inlines them; the
// scan's builder is one ([[gnu::target("avx2"), gnu::flatten]]).
struct Avx2Lanes {
  [[gnu::target("avx2")]] static uint64_t match64(const char* p, char c) {
    const __m256i wanted = _mm256_set1_epi8(c);
    const uint32_t low = static_cast<uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), wanted)));
    const uint32_t high = static_cast<uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32)), wanted)));
    return uint64_t{high} << 32 | low;
  }
  // 32 to 64 bytes as two 32s that overlap; others as the portable lanes do.
  [[gnu::target("avx2")]] static bool same(const char* a, const char* b, size_t length) {
    if (length < 32 || length > 64) return sameBytes(a, b, length);
    const __m256i* const a0 = reinterpret_cast<const __m256i*>(a);
    const __m256i* const b0 = reinterpret_cast<const __m256i*>(b);
    const __m256i* const a1 = reinterpret_cast<const __m256i*>(a + length - 32);
    const __m256i* const b1 = reinterpret_cast<const __m256i*>(b + length - 32);
    const __m256i differ = _mm256_or_si256(_mm256_xor_si256(_mm256_loadu_si256(a0), _mm256_loadu_si256(b0)),
                                           _mm256_xor_si256(_mm256_loadu_si256(a1), _mm256_loadu_si256(b1)));
    return _mm256_testz_si256(differ, differ) != 0;
  }
};
#endif

// Whether this CPU runs the wider lanes.
inline bool wideLanesRun() {
#if defined(__x86_64__)
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}
