#include "run/parse_block.h"

#include "listing/listing_reader.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::string_view CDS_KEY = "#CDS=";
constexpr size_t NAME_START = 6;  // just after "#file="

// A line as the listing reader takes it: without a carriage return before
// its end, and cut at a NUL byte.
std::string_view asRead(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const void* nul = std::memchr(line.data(), '\0', line.size());
  return nul == nullptr ? line : line.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - line.data()));
}

// The quick look: lines holding "#CDS=" counted by searching the block for
// the key, and of each group only the source file line looked at.
void scanFileNames(std::string_view bytes, ParsedBlock& parsed) {
  for (size_t at = 0; at < bytes.size();) {
    const void* hit = memmem(bytes.data() + at, bytes.size() - at, CDS_KEY.data(), CDS_KEY.size());
    if (hit == nullptr) break;
    const size_t key = static_cast<size_t>(static_cast<const char*>(hit) - bytes.data());
    const size_t before = bytes.rfind('\n', key);
    const size_t lineStart = before == std::string_view::npos ? 0 : before + 1;
    const size_t lineEnd = std::min(bytes.find('\n', key), bytes.size());
    if (asRead(bytes.substr(lineStart, lineEnd - lineStart)).size() >= key - lineStart + CDS_KEY.size()) ++parsed.count;
    at = lineEnd + 1;
  }
  int64_t line = 0;
  for (size_t at = 0; at < bytes.size(); ++line) {
    const size_t end = std::min(bytes.find('\n', at), bytes.size());
    if (line % 5 == 2) {
      std::string_view value = asRead(bytes.substr(at, end - at));
      value = value.size() > NAME_START ? value.substr(NAME_START) : std::string_view();
      if (parsed.runs.empty() || parsed.runs.back().file != value) parsed.runs.push_back({std::string(value), {}});
      ++parsed.runs.back().groups;
    }
    at = end + 1;
  }
  // A group cut short at the end has its first line but not its file line.
  if (line % 5 == 1 || line % 5 == 2) {
    if (parsed.runs.empty() || !parsed.runs.back().file.empty()) parsed.runs.push_back({std::string(), {}});
    ++parsed.runs.back().groups;
  }
  parsed.groups = (line + 4) / 5;
}

}  // namespace

void parseBlock(std::string_view bytes, BlockParse how, ParsedBlock& parsed) {
  if (how == BlockParse::FILE_NAMES) {
    scanFileNames(bytes, parsed);
    return;
  }
  ListingReader reader(bytes, false);
  ParsedCds cds;
  Problem problem;
  ListingReader::Status status;
  while ((status = reader.next(cds, problem)) == ListingReader::CDS_READ) {
    if (parsed.runs.empty() || (how != BlockParse::ONE_RUN && cds.file != parsed.runs.back().file))
      parsed.runs.push_back({how == BlockParse::ONE_RUN ? std::string() : cds.file, {}});
    ++parsed.runs.back().groups;
    parsed.runs.back().store.add(cds);
  }
  if (status == ListingReader::REFUSED) {
    parsed.refused = reader.groups() - 1;
    parsed.problem = problem;
    reader.countToEnd();  // reading memory cannot fail
  }
  parsed.groups = reader.groups();
  parsed.count = reader.count();
}
