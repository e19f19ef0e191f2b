#include "cds/cds_store.h"

#include <cstring>
#include <limits>
#include <new>

namespace {

// Names and segments are numbered in 32 bits to keep each CDS small; a store
// beyond that could not be held in this machine's memory anyway.
void checkIndexRoom(size_t used, size_t more) {
  if (used + more > std::numeric_limits<uint32_t>::max() - 1) throw std::bad_alloc();
}

}  // namespace

// Names are short (gene names, file names): eight bytes at a time, mixed
// inline, is cheaper than a library hash and its call.
uint32_t hashName(std::string_view name) {
  uint64_t h = 0x9e3779b97f4a7c15ULL ^ name.size();
  size_t k = 0;
  for (; k + 8 <= name.size(); k += 8) {
    uint64_t word;
    std::memcpy(&word, name.data() + k, 8);
    h = (h ^ word) * 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 31;
  }
  uint64_t tail = 0;
  std::memcpy(&tail, name.data() + k, name.size() - k);
  h = (h ^ tail) * 0x94d049bb133111ebULL;
  return static_cast<uint32_t>(h ^ h >> 32);
}

uint32_t NameTable::intern(std::string_view name) {
  const size_t nNames = offsets_.size() - 1;
  if (slots_.size() < 2 * (nNames + 1)) {
    // Grow to keep the table at most half full, and place every name again
    // by the hash kept for it.
    std::vector<uint32_t> grown(slots_.empty() ? 64 : 2 * slots_.size(), 0);
    const size_t mask = grown.size() - 1;
    for (uint32_t id = 0; id < nNames; ++id) {
      size_t slot = hashes_[id] & mask;
      while (grown[slot] != 0) slot = (slot + 1) & mask;
      grown[slot] = id + 1;
    }
    slots_.swap(grown);
  }
  const size_t mask = slots_.size() - 1;
  const uint32_t hash = hashName(name);
  size_t slot = hash & mask;
  for (; slots_[slot] != 0; slot = (slot + 1) & mask)
    if (hashes_[slots_[slot] - 1] == hash && this->name(slots_[slot] - 1) == name) return slots_[slot] - 1;
  checkIndexRoom(bytes_.size(), name.size());
  hashes_.push_back(hash);
  bytes_.append(name);
  offsets_.push_back(static_cast<uint32_t>(bytes_.size()));
  slots_[slot] = static_cast<uint32_t>(nNames + 1);
  return static_cast<uint32_t>(nNames);
}

void CdsStore::add(const ParsedCds& parsed) {
  checkIndexRoom(segments.size(), parsed.segments.size());
  Cds c;
  c.firstSegment = static_cast<uint32_t>(segments.size());
  c.nSegments = static_cast<uint16_t>(parsed.segments.size());
  c.flags = parsed.flags;
  c.gene = names.intern(parsed.gene);
  // A file's CDSs stand together: its name is most often the last one's.
  c.file = !cds.empty() && names.name(cds.back().file) == parsed.file ? cds.back().file : names.intern(parsed.file);
  c.contig = parsed.contig;
  segments.insert(segments.end(), parsed.segments.begin(), parsed.segments.end());
  cds.push_back(c);
}

void CdsStore::append(const CdsStore& other) {
  checkIndexRoom(segments.size(), other.segments.size());
  const uint32_t shift = static_cast<uint32_t>(segments.size());
  segments.insert(segments.end(), other.segments.begin(), other.segments.end());
  std::vector<uint32_t> renamed(other.names.size(), UINT32_MAX);  // each name interned once
  auto rename = [&](uint32_t id) {
    if (renamed[id] == UINT32_MAX) renamed[id] = names.intern(other.names.name(id));
    return renamed[id];
  };
  const uint32_t shapes = static_cast<uint32_t>(contigs.size()) - 1;  // other's contigs[0] is ours too
  for (size_t k = 1; k < other.contigs.size(); ++k) {
    ContigShape shape = other.contigs[k];
    shape.name = rename(shape.name);
    contigs.push_back(shape);
  }
  for (Cds c : other.cds) {
    c.firstSegment += shift;
    c.gene = rename(c.gene);
    c.file = rename(c.file);
    if (c.shape != 0) c.shape += shapes;
    cds.push_back(c);
  }
}
