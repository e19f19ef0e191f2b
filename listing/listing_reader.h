#pragma once
// The reader of a CDS listing: five-line groups taken by position, one pass.

#include "listing/cds_store.h"
#include "listing/line_reader.h"

#include <cstdint>
#include <string_view>

// What puts a CDS beyond the capacities of cds_store.h.
enum class Problem {
  TOO_MANY_SEGMENTS,
  POSITION_TOO_LARGE,
  GENE_NAME_TOO_LONG,
  FILE_NAME_TOO_LONG,
  CONTIG_TOO_LARGE,
};

// Parses the location of a "#CDS=" line, everything from index 5 on, into
// `cds.segments` and the partial flags of `cds.flags`.
// Every run of decimal digits is a number. A start pairs with the next number
// wherever it stands, unless ',' or ')' or the end of the line follows it,
// which makes it a single position (start == end). '<' and '>' set the
// partial flags wherever they stand; every other character is skipped. A
// start left without its end is dropped.
// Refuses (returns false and sets `problem`) a number above MAX_NUMBER or a
// segment beyond MAX_SEGMENTS; what is parsed up to there is kept.
bool parseLocation(std::string_view line, ParsedCds& cds, Problem& problem);

// The listing's CDS count is the number of lines holding "#CDS=" anywhere;
// its CDSs are the groups of five lines from the first line on, whatever
// their keys say: line 1 the location, line 2 the gene name from index 6,
// line 3 the source file name from index 6, line 4 the contig from the
// digits at index 8, line 5 ignored. Lines past the end read as empty.
// The count is known only at the end; the caller drops the groups past it.
class ListingReader {
 public:
  enum Status { CDS_READ, END, REFUSED, READ_FAILED };

  explicit ListingReader(ByteSource& source) : lines_(source) {}
  // Reads the next group into `cds`. At the end of the stream, while fewer
  // groups than counted CDSs were read, empty groups follow; then END.
  // REFUSED names the first problem of the group in `problem`: the groups
  // after it are not parsed, and countToEnd() finishes the count.
  Status next(ParsedCds& cds, Problem& problem);
  // Reads the rest of the stream for the count alone; false on a read failure.
  bool countToEnd();
  // Lines holding "#CDS=" read so far: the listing's CDS count after END.
  int64_t count() const { return count_; }
  // Groups returned so far; the last one returned is number groups() - 1.
  int64_t groups() const { return groups_; }

 private:
  bool nextLine(std::string_view& line);

  LineReader lines_;
  int64_t count_ = 0;
  int64_t groups_ = 0;
  bool ended_ = false;
};
