#include "analysis/gene_keys.h"

#include "listing/cds_record.h"

#include <bit>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "names are hashed as little-endian words");

namespace {

uint64_t mix(uint64_t h) {
  h ^= h >> 32;
  h *= 0xd6e8feb86659fd93ULL;
  h ^= h >> 32;
  return h;
}

// Hashes a NUL-terminated name held in an array of `size` bytes, eight bytes
// at a time and without a separate strlen: the word holding the terminator
// ends the name (bytes after it are masked), and the length goes in last so
// that "ab"+"c" and "a"+"bc" differ.
uint64_t hashName(const char* name, size_t size, uint64_t h) {
  constexpr uint64_t ONES = 0x0101010101010101ULL;
  constexpr uint64_t HIGHS = 0x8080808080808080ULL;
  for (size_t k = 0; k < size; k += 8) {
    uint64_t word = 0;
    std::memcpy(&word, name + k, size - k < 8 ? size - k : 8);
    // Lowest set bit: the first zero byte, the name being read little-endian.
    uint64_t zeros = (word - ONES) & ~word & HIGHS;
    if (zeros != 0) {
      int bytes = __builtin_ctzll(zeros) / 8;
      word = bytes == 0 ? 0 : word & (~0ULL >> (64 - 8 * bytes));
      return mix(h ^ word ^ ((k + bytes) << 56));
    }
    h = mix(h ^ word);
  }
  return h;
}

uint64_t placeHash(const CdsRecord& r) {
  return hashName(r.file, SOURCE_NAME_SIZE, 0x9e3779b97f4a7c15ULL + static_cast<uint32_t>(r.contig));
}

uint64_t geneHash(const CdsRecord& r) { return hashName(r.gene, GENE_NAME_SIZE, placeHash(r)); }

bool samePlace(const CdsRecord& a, const CdsRecord& b) {
  return a.contig == b.contig && std::strcmp(a.file, b.file) == 0;
}

bool sameGene(const CdsRecord& a, const CdsRecord& b) {
  return samePlace(a, b) && std::strcmp(a.gene, b.gene) == 0;
}

struct Slot {
  uint32_t check;  // high half of the key's hash
  int32_t owner;   // position in the numbered list of the key's first record; -1 when free
};

// Numbers records[which[0 .. n-1]] (all records when `which` is null) by key.
// Keys come in runs (the CDSs of a place, often of a gene, stand together),
// so the previous record is tried first; otherwise an open-addressing table
// of the first record of each key is probed, and a hash match is confirmed
// against that record. Records are hashed a block at a time and their slots
// asked for before the probes, which would otherwise wait on memory one by one.
template <typename Hash, typename Same>
int32_t numberKeys(const int32_t* which, size_t n, std::vector<int32_t>& idOf, Hash hash, Same same) {
  auto indexAt = [which](size_t k) { return which ? which[k] : static_cast<int32_t>(k); };
  constexpr size_t BLOCK = 64;
  size_t capacity = 16;
  while (capacity < 2 * n) capacity *= 2;
  const size_t mask = capacity - 1;
  std::vector<Slot> slots(capacity, Slot{0, -1});
  idOf.assign(n, 0);
  int32_t nKeys = 0;
  uint64_t hashes[BLOCK];
  uint64_t previousHash = 0;
  for (size_t base = 0; base < n; base += BLOCK) {
    const size_t count = n - base < BLOCK ? n - base : BLOCK;
    for (size_t b = 0; b < count; ++b) {
      if (base + b + PREFETCH_DISTANCE < n) prefetchRecord(indexAt(base + b + PREFETCH_DISTANCE));
      hashes[b] = hash(records[indexAt(base + b)]);
      __builtin_prefetch(&slots[hashes[b] & mask]);
    }
    for (size_t b = 0; b < count; ++b) {
      const size_t k = base + b;
      const CdsRecord& record = records[indexAt(k)];
      const uint64_t h = hashes[b];
      if (k > 0 && h == previousHash && same(records[indexAt(k - 1)], record)) {
        idOf[k] = idOf[k - 1];
        continue;
      }
      previousHash = h;
      const uint32_t check = static_cast<uint32_t>(h >> 32);
      for (size_t slot = h & mask;; slot = (slot + 1) & mask) {
        Slot& s = slots[slot];
        if (s.owner < 0) {
          s = Slot{check, static_cast<int32_t>(k)};
          idOf[k] = nKeys++;
          break;
        }
        if (s.check == check && same(records[indexAt(s.owner)], record)) {
          idOf[k] = idOf[s.owner];
          break;
        }
      }
    }
  }
  return nKeys;
}

}  // namespace

int32_t numberGenes(std::vector<int32_t>& geneOf) { return numberKeys(nullptr, nCds, geneOf, geneHash, sameGene); }

int32_t numberPlaces(const std::vector<int32_t>& geneOf, int32_t nGenes, std::vector<int32_t>& placeOfGene) {
  // Every record of a gene has the gene's place, so its first record will do.
  std::vector<int32_t> firstRecord(nGenes, -1);
  for (int32_t i = nCds - 1; i >= 0; --i) firstRecord[geneOf[i]] = i;
  return numberKeys(firstRecord.data(), firstRecord.size(), placeOfGene, placeHash, samePlace);
}

void groupByKey(const std::vector<int32_t>& idOf, int32_t nKeys, std::vector<int32_t>& first,
                std::vector<int32_t>& members) {
  first.assign(nKeys + 1, 0);
  for (int32_t id : idOf) ++first[id + 1];
  for (int32_t k = 0; k < nKeys; ++k) first[k + 1] += first[k];
  members.resize(idOf.size());
  std::vector<int32_t> next(first.begin(), first.end() - 1);
  for (size_t i = 0; i < idOf.size(); ++i) members[next[idOf[i]]++] = static_cast<int32_t>(i);
}
