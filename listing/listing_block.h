#pragma once
// The CDSs of one block of a listing, parsed apart from the other blocks.

#include "cds/cds_store.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The CDSs of one source file that stand together in a block.
struct FileRun {
  std::string file;     // the source file name
  CdsStore store;       // its CDSs, in listing order
  int64_t groups = 0;   // its CDSs, counted
};

struct ParsedBlock {
  std::vector<FileRun> runs;  // the block's groups up to a refused one, run by run
  int64_t groups = 0;         // groups in the block, a refused one and those after it included
  int64_t count = 0;          // lines holding "#CDS="
  int64_t refused = -1;       // index in the block of the first refused group; -1 when none is
  Problem problem{};          // what is wrong with it
};

enum class BlockParse {
  BY_FILE,     // a run for each source file in turn
  ONE_RUN,     // every CDS in one run, whatever its file
  FILE_NAMES,  // runs by file, counted but not kept, and no location parsed:
               // enough to see how the listing is grouped, at a fraction of the cost
};

// Parses `bytes`, which start at a group's first line.
void parseListingBlock(std::string_view bytes, BlockParse how, ParsedBlock& parsed);
