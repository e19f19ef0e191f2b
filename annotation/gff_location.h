#pragma once
// A GFF CDS's segments written as a feature table writes its location.

#include <cstdint>
#include <string>
#include <vector>

struct GffSegment {
  int64_t start;
  int64_t end;
};

// The location of the CDS of `segments` (any order; sorted here) with the
// GffMark bits `marks`: "start..end" parts in ascending order of start,
// "join(...)" around several, "complement(...)" around all for GFF_MINUS, '<'
// before the first start and '>' after the last end for a partial lower or
// upper end. On a circular sequence of `length` bases, a CDS across the
// origin is written from its side before the origin on, as "a..length,1..b":
// a segment whose end passes `length` is cut there (one past it wholly is
// moved back by `length`), and segments that touch both base 1 and base
// `length` are turned at the widest gap between them.
std::string cdsLocation(std::vector<GffSegment>& segments, uint8_t marks, bool circular, int64_t length);
