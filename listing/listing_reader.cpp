#include "listing/listing_reader.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t NAME_START = 6;    // just after "#gene=" and "#file="
constexpr size_t CONTIG_START = 8;  // just after "#contig="

// `name` null: the name is only checked against the limit.
bool takeName(std::string_view line, std::string* name) {
  std::string_view value = line.size() > NAME_START ? line.substr(NAME_START) : std::string_view();
  if (value.size() > MAX_NAME_LENGTH) return false;
  if (name != nullptr) name->assign(value);
  return true;
}

bool takeContig(std::string_view line, int32_t& contig) {
  int64_t value = 0;
  for (size_t k = CONTIG_START; k < line.size() && line[k] >= '0' && line[k] <= '9'; ++k) {
    value = value * 10 + (line[k] - '0');
    if (value > MAX_NUMBER) return false;
  }
  contig = static_cast<int32_t>(value);
  return true;
}

// Most lines are short ("#gene=thrA"), where a plain loop beats a library
// search and its calls.
bool holdsCdsKey(std::string_view line) {
  constexpr std::string_view KEY = "#CDS=";
  if (line.size() > 64) return line.find(KEY) != std::string_view::npos;
  for (size_t k = 0; k + KEY.size() <= line.size(); ++k)
    if (line[k] == '#' && line.substr(k, KEY.size()) == KEY) return true;
  return false;
}

}  // namespace

int64_t countCdsLines(std::string_view bytes) {
  // Searched for in the whole text, a line at a time only where the key
  // stands: a line counts once, and only when the key lies before a NUL
  // byte, which ends a line's value.
  constexpr std::string_view KEY = "#CDS=";
  int64_t count = 0;
  for (size_t at = 0; at < bytes.size();) {
    // memmem skips by the key's pairs of bytes, where find() would stop at
    // every '#' that opens a line.
    const void* hit = memmem(bytes.data() + at, bytes.size() - at, KEY.data(), KEY.size());
    if (hit == nullptr) break;
    const size_t key = static_cast<size_t>(static_cast<const char*>(hit) - bytes.data());
    const size_t before = key == 0 ? std::string_view::npos : bytes.rfind('\n', key - 1);
    const size_t lineStart = before == std::string_view::npos ? 0 : before + 1;
    const size_t lineEnd = std::min(bytes.find('\n', key), bytes.size());
    if (bytes.substr(lineStart, key + KEY.size() - lineStart).find('\0') == std::string_view::npos) ++count;
    at = lineEnd + 1;
  }
  return count;
}

ListingReader::ListingReader(std::string_view bytes, bool padToCount, bool namesOnly)
    : lines_(bytes), pad_(padToCount), namesOnly_(namesOnly) {
  // A look at names counts the whole block at once, not line by line.
  if (namesOnly) count_ = countCdsLines(bytes);
}

bool ListingReader::nextLine(std::string_view& line) {
  if (!ended_ && lines_.next(line)) {
    if (!namesOnly_ && holdsCdsKey(line)) ++count_;
    return true;
  }
  ended_ = true;
  line = std::string_view();
  return false;
}

ListingReader::Status ListingReader::next(ParsedCds& cds, Problem& problem) {
  std::string_view line;
  bool any = nextLine(line);
  if (lines_.failed()) return READ_FAILED;
  if (!any && (!pad_ || groups_ >= count_)) return END;
  ++groups_;
  cds.segments.clear();
  cds.flags = 0;
  if (!namesOnly_) {
    cds.flags = line.find("complement") != std::string_view::npos ? COMPLEMENT : 0;
    if (!parseLocation(line, cds, problem)) return REFUSED;
  }
  nextLine(line);
  if (!takeName(line, namesOnly_ ? nullptr : &cds.gene)) {
    problem = Problem::GENE_NAME_TOO_LONG;
    return REFUSED;
  }
  nextLine(line);
  if (!takeName(line, &cds.file)) {
    problem = Problem::FILE_NAME_TOO_LONG;
    return REFUSED;
  }
  nextLine(line);
  if (!takeContig(line, cds.contig)) {
    problem = Problem::CONTIG_TOO_LARGE;
    return REFUSED;
  }
  nextLine(line);
  return lines_.failed() ? READ_FAILED : CDS_READ;
}

bool ListingReader::countToEnd() {
  if (namesOnly_) return true;  // counted whole already
  std::string_view line;
  while (nextLine(line)) {
  }
  return !lines_.failed();
}
