#pragma once
// The reader of a CDS listing: five-line groups taken by position, one pass.

#include "cds/cds_store.h"
#include "io/line_reader.h"
#include "listing/parse_location.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The listing's CDS count is the number of lines holding "#CDS=" anywhere;
// its CDSs are the groups of five lines from the first line on, whatever
// their keys say: line 1 the location, line 2 the gene name from index 6,
// line 3 the source file name from index 6, line 4 the contig from the
// digits at index 8, line 5 ignored. Lines past the end read as empty.
// The count is known only at the end; the caller drops the groups past it.
// Lines of `bytes` holding "#CDS=" before any NUL byte in them: the count a
// reading of the same bytes arrives at.
int64_t countCdsLines(std::string_view bytes);

class ListingReader {
 public:
  enum Status { CDS_READ, END, REFUSED, READ_FAILED };

  // `padToCount` false reads a piece of a listing: no empty groups at its end.
  // `namesOnly` reads each group's names and contig but not its location:
  // a quick look that still refuses what it reads.
  explicit ListingReader(ByteSource& source, bool padToCount = true) : lines_(source), pad_(padToCount) {}
  ListingReader(std::string_view bytes, bool padToCount, bool namesOnly = false);
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
  bool counted_ = false;  // bytes in memory are counted whole at once, not line by line
  int64_t groups_ = 0;
  bool ended_ = false;
  bool pad_;
  bool namesOnly_ = false;
};
