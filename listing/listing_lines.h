#pragma once
// What a listing's lines say, for the reader and the look alike: a name
// from index 6, a contig from the digits at index 8, and the key "#CDS=".

#include "cds/cds_store.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

constexpr size_t NAME_START = 6;    // just after "#gene=" and "#file="
constexpr size_t CONTIG_START = 8;  // just after "#contig="

// `name` null: the name is only checked against the limit.
inline bool takeName(std::string_view line, std::string* name) {
  std::string_view value = line.size() > NAME_START ? line.substr(NAME_START) : std::string_view();
  if (value.size() > MAX_NAME_LENGTH) return false;
  if (name != nullptr) name->assign(value);
  return true;
}

inline bool takeContig(std::string_view line, int32_t& contig) {
  int64_t value = 0;
  for (size_t k = CONTIG_START; k < line.size() && line[k] >= '0' && line[k] <= '9'; ++k) {
    value = value * 10 + (line[k] - '0');
    if (value > MAX_NUMBER) return false;
  }
  contig = static_cast<int32_t>(value);
  return true;
}

// "#CDS=" at `p`, five bytes that are there to read.
inline bool keyAt(const char* p) {
  uint32_t head, key;  // "#CDS" as one word: a call to memcmp costs more than the compare
  std::memcpy(&head, p, 4);
  std::memcpy(&key, "#CDS", 4);
  return head == key && p[4] == '=';
}
