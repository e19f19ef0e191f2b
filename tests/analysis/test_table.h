#pragma once
// Builds a record table in memory for the analysis passes.

#include "listing/cds_record.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

struct TestCds {
  std::string gene;
  std::vector<Segment> segments;
  int32_t contig = 1;
  std::string file = "f.gb";
  int32_t danglingStart = 0;  // a start left without its end, as "1..10,20.." leaves 20
};

inline void makeTable(const std::vector<TestCds>& listing) {
  std::free(records);
  nCds = static_cast<int32_t>(listing.size());
  records = static_cast<CdsRecord*>(std::calloc(listing.size() + 1, sizeof(CdsRecord)));
  for (size_t i = 0; i < listing.size(); ++i) {
    CdsRecord& r = records[i];
    std::strncpy(r.gene, listing[i].gene.c_str(), GENE_NAME_SIZE - 1);
    std::strncpy(r.file, listing[i].file.c_str(), SOURCE_NAME_SIZE - 1);
    r.contig = listing[i].contig;
    r.nSegments = static_cast<int32_t>(listing[i].segments.size());
    for (size_t s = 0; s < listing[i].segments.size(); ++s) r.segments[s] = listing[i].segments[s];
    r.segments[r.nSegments].start = listing[i].danglingStart;
  }
}
