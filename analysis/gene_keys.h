#pragma once
// Numbering of genes and places, shared by the analysis passes so that
// neither compares every pair of records.

#include <cstdint>
#include <vector>

// idOf[i] becomes the number of record i's gene (equal gene name, file and
// contig), numbers given in order of first appearance from 0; returns how many
// genes there are.
int32_t numberGenes(std::vector<int32_t>& idOf);
// The same for places (equal file and contig).
int32_t numberPlaces(std::vector<int32_t>& idOf);
// The records of each key, in index order: the records of key k are
// members[first[k] .. first[k+1]-1].
void groupByKey(const std::vector<int32_t>& idOf, int32_t nKeys, std::vector<int32_t>& first,
                std::vector<int32_t>& members);
