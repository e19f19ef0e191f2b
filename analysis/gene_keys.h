#pragma once
// Numbering of genes and places, shared by the analysis passes so that
// neither compares every pair of records.

#include <cstdint>
#include <vector>

// geneOf[i] becomes the number of record i's gene (equal gene name, file and
// contig), numbers given from 0 in order of first appearance; returns how
// many genes there are.
int32_t numberGenes(std::vector<int32_t>& geneOf);
// placeOfGene[g] becomes the number of gene g's place (equal file and
// contig), numbered the same way; returns how many places there are.
int32_t numberPlaces(const std::vector<int32_t>& geneOf, int32_t nGenes, std::vector<int32_t>& placeOfGene);
// The records of each key, in index order: the records of key k are
// members[first[k] .. first[k+1]-1].
void groupByKey(const std::vector<int32_t>& idOf, int32_t nKeys, std::vector<int32_t>& first,
                std::vector<int32_t>& members);
