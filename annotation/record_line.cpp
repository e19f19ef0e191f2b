#include "annotation/record_line.h"

#include <cstdint>
#include <vector>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

bool opens(std::string_view line, std::string_view word) {
  return line.starts_with(word) && (line.size() == word.size() || isBlank(line[word.size()]));
}

std::vector<std::string_view> fields(std::string_view line, bool semicolons) {
  std::vector<std::string_view> out;
  size_t k = 0;
  while (k < line.size()) {
    while (k < line.size() && (isBlank(line[k]) || (semicolons && line[k] == ';'))) ++k;
    const size_t start = k;
    while (k < line.size() && !isBlank(line[k]) && !(semicolons && line[k] == ';')) ++k;
    if (k > start) out.push_back(line.substr(start, k - start));
  }
  return out;
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

AnnotatedContig contigOf(const std::vector<std::string_view>& words, std::string_view unitA, std::string_view unitB) {
  AnnotatedContig contig;
  if (words.size() > 1) contig.name = std::string(words[1]);
  bool lengthSeen = false;
  for (size_t k = 1; k < words.size(); ++k) {
    if (words[k] == "circular") contig.circular = true;
    if (!lengthSeen && k >= 2 && (words[k] == unitA || words[k] == unitB) && lengthField(words[k - 1]) >= 0) {
      contig.length = lengthField(words[k - 1]);
      lengthSeen = true;
    }
  }
  return contig;
}

}  // namespace

bool isLocusLine(std::string_view line) { return opens(line, "LOCUS"); }
bool isEmblIdLine(std::string_view line) { return opens(line, "ID"); }

AnnotatedContig parseLocusLine(std::string_view line) { return contigOf(fields(line, false), "bp", "bp"); }

AnnotatedContig parseEmblIdLine(std::string_view line) { return contigOf(fields(line, true), "BP.", "BP"); }
