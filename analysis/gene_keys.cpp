#include "analysis/gene_keys.h"

#include "listing/cds_record.h"

#include <cstring>

namespace {

uint64_t hashString(const char* s, uint64_t h) {
  for (; *s != '\0'; ++s) h = (h ^ static_cast<unsigned char>(*s)) * 0x100000001b3ULL;
  return (h ^ 0xff) * 0x100000001b3ULL;  // the terminator keeps "ab"+"c" apart from "a"+"bc"
}

uint64_t finish(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  return h;
}

uint64_t placeHash(const CdsRecord& r) {
  return finish(hashString(r.file, 0xcbf29ce484222325ULL ^ static_cast<uint32_t>(r.contig)));
}

uint64_t geneHash(const CdsRecord& r) {
  return finish(hashString(r.gene, hashString(r.file, 0xcbf29ce484222325ULL ^ static_cast<uint32_t>(r.contig))));
}

bool samePlace(const CdsRecord& a, const CdsRecord& b) {
  return a.contig == b.contig && std::strcmp(a.file, b.file) == 0;
}

bool sameGene(const CdsRecord& a, const CdsRecord& b) {
  return samePlace(a, b) && std::strcmp(a.gene, b.gene) == 0;
}

// Open-addressing table of the first record of each key: one hash and, when
// hashes agree, one comparison against that record per record.
template <typename Hash, typename Same>
int32_t numberKeys(std::vector<int32_t>& idOf, Hash hash, Same same) {
  size_t capacity = 16;
  while (capacity < 2 * static_cast<size_t>(nCds)) capacity *= 2;
  const size_t mask = capacity - 1;
  std::vector<int32_t> slotRecord(capacity, -1);
  std::vector<uint64_t> slotHash(capacity);
  idOf.assign(nCds, 0);
  int32_t nKeys = 0;
  for (int32_t i = 0; i < nCds; ++i) {
    uint64_t h = hash(records[i]);
    size_t slot = h & mask;
    for (;;) {
      int32_t owner = slotRecord[slot];
      if (owner < 0) {
        slotRecord[slot] = i;
        slotHash[slot] = h;
        idOf[i] = nKeys++;
        break;
      }
      if (slotHash[slot] == h && same(records[owner], records[i])) {
        idOf[i] = idOf[owner];
        break;
      }
      slot = (slot + 1) & mask;
    }
  }
  return nKeys;
}

}  // namespace

int32_t numberGenes(std::vector<int32_t>& idOf) { return numberKeys(idOf, geneHash, sameGene); }

int32_t numberPlaces(std::vector<int32_t>& idOf) { return numberKeys(idOf, placeHash, samePlace); }

void groupByKey(const std::vector<int32_t>& idOf, int32_t nKeys, std::vector<int32_t>& first,
                std::vector<int32_t>& members) {
  first.assign(nKeys + 1, 0);
  for (int32_t id : idOf) ++first[id + 1];
  for (int32_t k = 0; k < nKeys; ++k) first[k + 1] += first[k];
  members.resize(idOf.size());
  std::vector<int32_t> next(first.begin(), first.end() - 1);
  for (size_t i = 0; i < idOf.size(); ++i) members[next[idOf[i]]++] = static_cast<int32_t>(i);
}
