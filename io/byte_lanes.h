#pragma once
// Sixteen bytes at a time in the compiler's portable vectors: the scans that
// must run at memory speed (line feeds, a flat file's record ends) compare
// them all at once without a target's intrinsics.

#include <cstring>

typedef unsigned char ByteLanes __attribute__((vector_size(16)));

// The sixteen bytes at `p`, wherever they are aligned.
inline ByteLanes loadLanes(const char* p) {
  ByteLanes lanes;
  std::memcpy(&lanes, p, 16);
  return lanes;
}
