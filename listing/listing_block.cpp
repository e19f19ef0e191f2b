#include "listing/listing_block.h"

#include "listing/group_names.h"
#include "listing/listing_reader.h"

void parseListingBlock(std::string_view bytes, BlockParse how, ParsedBlock& parsed) {
  const bool namesOnly = how == BlockParse::FILE_NAMES;
  GroupNames names;
  if (namesOnly && readGroupNames(bytes, names)) {
    for (auto& [file, groups] : names.runs) parsed.runs.push_back({std::move(file), {}, groups});
    parsed.groups = names.groups;
    parsed.refused = names.refused;
    parsed.problem = names.problem;
    parsed.count = names.count;
    return;
  }
  ListingReader reader(bytes, false, namesOnly);
  ParsedCds cds;
  Problem problem;
  ListingReader::Status status;
  while ((status = reader.next(cds, problem)) == ListingReader::CDS_READ) {
    if (parsed.runs.empty() || (how != BlockParse::ONE_RUN && cds.file != parsed.runs.back().file))
      parsed.runs.push_back({how == BlockParse::ONE_RUN ? std::string() : cds.file, {}});
    ++parsed.runs.back().groups;
    if (!namesOnly) parsed.runs.back().store.add(cds);
  }
  if (status == ListingReader::REFUSED) {
    parsed.refused = reader.groups() - 1;
    parsed.problem = problem;
    reader.countToEnd();  // reading memory cannot fail
  }
  parsed.groups = reader.groups();
  parsed.count = reader.count();
}
