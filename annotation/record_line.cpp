#include "annotation/record_line.h"

#include <cstdint>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

bool opens(std::string_view line, std::string_view word) {
  return line.starts_with(word) && (line.size() == word.size() || isBlank(line[word.size()]));
}

// The next field at or after `at`, split at white space (and at ';' when
// `semicolons`); empty at the line's end.
std::string_view nextField(std::string_view line, size_t& at, bool semicolons) {
  const auto separates = [&](char c) { return isBlank(c) || (semicolons && c == ';'); };
  while (at < line.size() && separates(line[at])) ++at;
  const size_t start = at;
  while (at < line.size() && !separates(line[at])) ++at;
  return line.substr(start, at - start);
}

// Digits only, at most 18 of them so that the value fits in int64_t; -1 otherwise.
int64_t lengthField(std::string_view field) {
  if (field.empty() || field.size() > 18) return -1;
  int64_t value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// Fields are read one by one: a record's first line costs no allocation
// beyond its name.
AnnotatedContig contigOf(std::string_view line, bool semicolons, std::string_view unitA, std::string_view unitB) {
  AnnotatedContig contig;
  size_t at = 0;
  nextField(line, at, semicolons);  // LOCUS, ID
  std::string_view previous = nextField(line, at, semicolons);
  contig.name = std::string(previous);
  bool lengthSeen = false;
  for (std::string_view field = previous; !field.empty(); previous = field) {
    if (field == "circular") contig.circular = true;
    field = nextField(line, at, semicolons);
    if (!lengthSeen && (field == unitA || field == unitB) && lengthField(previous) >= 0) {
      contig.length = lengthField(previous);
      lengthSeen = true;
    }
  }
  return contig;
}

}  // namespace

bool isLocusLine(std::string_view line) { return opens(line, "LOCUS"); }
bool isEmblIdLine(std::string_view line) { return opens(line, "ID"); }

AnnotatedContig parseLocusLine(std::string_view line) { return contigOf(line, false, "bp", "bp"); }

AnnotatedContig parseEmblIdLine(std::string_view line) { return contigOf(line, true, "BP.", "BP"); }
