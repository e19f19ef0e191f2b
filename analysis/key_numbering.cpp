#include "analysis/key_numbering.h"

namespace {

uint64_t hashKey(const Key& k) {
  uint64_t h = (k.high ^ (uint64_t{k.low} << 17) ^ k.low) * 0x9e3779b97f4a7c15ULL;
  return h ^ (h >> 29);
}

}  // namespace

Numbering numberKeys(const std::vector<Key>& keys) {
  // CDSs of one key usually stand together, so the previous CDS is tried
  // before the table of each key's first CDS.
  const size_t n = keys.size();
  size_t capacity = 16;
  while (capacity < 2 * n) capacity *= 2;
  const size_t mask = capacity - 1;
  std::vector<uint32_t> slots(capacity, UINT32_MAX);  // index of the key's first CDS
  Numbering numbering;
  numbering.of.resize(n);
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && keys[i] == keys[i - 1]) {
      numbering.of[i] = numbering.of[i - 1];
      continue;
    }
    for (size_t slot = hashKey(keys[i]) & mask;; slot = (slot + 1) & mask) {
      if (slots[slot] == UINT32_MAX) {
        slots[slot] = static_cast<uint32_t>(i);
        numbering.of[i] = numbering.count++;
        break;
      }
      if (keys[slots[slot]] == keys[i]) {
        numbering.of[i] = numbering.of[slots[slot]];
        break;
      }
    }
  }
  return numbering;
}

Groups groupByKey(const Numbering& numbering) {
  Groups groups;
  groups.first.assign(numbering.count + 1, 0);
  for (uint32_t k : numbering.of) ++groups.first[k + 1];
  for (uint32_t k = 0; k < numbering.count; ++k) groups.first[k + 1] += groups.first[k];
  groups.members.resize(numbering.of.size());
  std::vector<uint32_t> next(groups.first.begin(), groups.first.end() - 1);
  for (size_t i = 0; i < numbering.of.size(); ++i) groups.members[next[numbering.of[i]]++] = static_cast<uint32_t>(i);
  return groups;
}
