#include "annotation/gff_location.h"
#include "annotation/gff.h"

#include <algorithm>
#include <charconv>
#include <cstddef>

namespace {

void appendNumber(int64_t value, std::string& out) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// Writes a CDS across the origin the way round it is read: the part before
// the origin first.
void turnAtOrigin(std::vector<GffSegment>& segments, int64_t length) {
  if (std::any_of(segments.begin(), segments.end(), [&](const GffSegment& s) { return s.end > length; })) {
    std::vector<GffSegment> turned;
    turned.reserve(segments.size() + 1);
    for (const GffSegment& s : segments) {
      if (s.start > length) turned.push_back({s.start - length, s.end - length});
      else if (s.end > length) turned.insert(turned.end(), {{s.start, length}, {1, s.end - length}});
      else turned.push_back(s);
    }
    segments.swap(turned);
    return;
  }
  const bool touchesEnd =
      std::any_of(segments.begin(), segments.end(), [&](const GffSegment& s) { return s.end == length; });
  if (segments.size() < 2 || segments.front().start != 1 || !touchesEnd) return;
  size_t widest = 0;
  for (size_t k = 1; k + 1 < segments.size(); ++k)
    if (segments[k + 1].start - segments[k].end > segments[widest + 1].start - segments[widest].end) widest = k;
  std::rotate(segments.begin(), segments.begin() + static_cast<std::ptrdiff_t>(widest) + 1, segments.end());
}

}  // namespace

std::string cdsLocation(std::vector<GffSegment>& segments, uint8_t marks, bool circular, int64_t length) {
  std::sort(segments.begin(), segments.end(),
            [](const GffSegment& a, const GffSegment& b) { return a.start != b.start ? a.start < b.start : a.end < b.end; });
  if (circular && length > 0 && !segments.empty()) turnAtOrigin(segments, length);
  std::string location;
  if (marks & GFF_MINUS) location += "complement(";
  if (segments.size() > 1) location += "join(";
  for (size_t k = 0; k < segments.size(); ++k) {
    if (k > 0) location += ',';
    if (k == 0 && (marks & GFF_LOWER_PARTIAL)) location += '<';
    appendNumber(segments[k].start, location);
    location += "..";
    appendNumber(segments[k].end, location);
  }
  if (marks & GFF_UPPER_PARTIAL) location += '>';
  if (segments.size() > 1) location += ')';
  if (marks & GFF_MINUS) location += ')';
  return location;
}
