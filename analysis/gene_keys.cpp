#include "analysis/gene_keys.h"

#include "listing/cds_record.h"

#include <cstring>

namespace {

uint64_t mix(uint64_t h) {
  h ^= h >> 32;
  h *= 0xd6e8feb86659fd93ULL;
  h ^= h >> 32;
  return h;
}

// Eight bytes at a time; the length goes in too, so "ab"+"c" and "a"+"bc"
// differ.
uint64_t hashString(const char* s, uint64_t h) {
  size_t length = std::strlen(s);
  h = mix(h ^ length);
  size_t k = 0;
  for (; k + 8 <= length; k += 8) {
    uint64_t word;
    std::memcpy(&word, s + k, 8);
    h = mix(h ^ word);
  }
  uint64_t rest = 0;
  std::memcpy(&rest, s + k, length - k);
  return mix(h ^ rest);
}

uint64_t placeHash(const CdsRecord& r) { return hashString(r.file, 0x9e3779b97f4a7c15ULL + static_cast<uint32_t>(r.contig)); }

uint64_t geneHash(const CdsRecord& r) { return hashString(r.gene, placeHash(r)); }

bool samePlace(const CdsRecord& a, const CdsRecord& b) {
  return a.contig == b.contig && std::strcmp(a.file, b.file) == 0;
}

bool sameGene(const CdsRecord& a, const CdsRecord& b) {
  return samePlace(a, b) && std::strcmp(a.gene, b.gene) == 0;
}

// Numbers records[which[0 .. n-1]] by key, with an open-addressing table of
// the first record of each key: one hash and, when hashes agree, one
// comparison against that record per record.
template <typename Hash, typename Same>
int32_t numberKeys(const int32_t* which, size_t n, std::vector<int32_t>& idOf, Hash hash, Same same) {
  size_t capacity = 16;
  while (capacity < 2 * n) capacity *= 2;
  const size_t mask = capacity - 1;
  std::vector<int32_t> slotOwner(capacity, -1);  // position in `which` of the key's first record
  std::vector<uint64_t> slotHash(capacity);
  idOf.assign(n, 0);
  int32_t nKeys = 0;
  for (size_t k = 0; k < n; ++k) {
    const CdsRecord& record = records[which ? which[k] : static_cast<int32_t>(k)];
    uint64_t h = hash(record);
    for (size_t slot = h & mask;; slot = (slot + 1) & mask) {
      int32_t owner = slotOwner[slot];
      if (owner < 0) {
        slotOwner[slot] = static_cast<int32_t>(k);
        slotHash[slot] = h;
        idOf[k] = nKeys++;
        break;
      }
      if (slotHash[slot] == h && same(records[which ? which[owner] : owner], record)) {
        idOf[k] = idOf[owner];
        break;
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
