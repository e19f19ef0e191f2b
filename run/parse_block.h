#pragma once
// The CDSs of one block of a listing, parsed apart from the other blocks.

#include "listing/cds_store.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The CDSs of one source file that stand together in a block.
struct FileRun {
  std::string file;  // the source file name
  CdsStore store;    // its CDSs, in listing order
};

struct ParsedBlock {
  std::vector<FileRun> runs;  // the block's groups up to a refused one, run by run
  int64_t groups = 0;         // groups in the block, a refused one and those after it included
  int64_t count = 0;          // lines holding "#CDS="
  int64_t refused = -1;       // index in the block of the first refused group; -1 when none is
  Problem problem{};          // what is wrong with it
};

// Parses `bytes`, which start at a group's first line. With `fileNamesOnly`
// the runs hold empty CDSs, one per group: enough to see how the listing is
// grouped, at a fraction of the cost.
void parseBlock(std::string_view bytes, bool fileNamesOnly, ParsedBlock& parsed);
