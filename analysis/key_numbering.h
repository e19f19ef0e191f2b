#pragma once
// Numbers the CDSs of a store by a key (gene, or place: file and contig), so
// that no pass compares every pair of CDSs.

#include <cstddef>
#include <cstdint>
#include <vector>

struct Key {
  uint64_t high;
  uint32_t low;
  bool operator==(const Key&) const = default;
};

struct Numbering {
  std::vector<uint32_t> of;  // the number of each CDS's key, from 0 in order of first appearance
  uint32_t count = 0;        // distinct keys
};

Numbering numberKeys(const std::vector<Key>& keys);

// The CDSs of each key, in index order: those of key k are
// members[first[k] .. first[k+1]-1].
struct Groups {
  std::vector<uint32_t> first;
  std::vector<uint32_t> members;
};

Groups groupByKey(const Numbering& numbering);
