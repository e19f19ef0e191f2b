#pragma once
// A whole run from listing to table: read, analyse, write.
//
// How a run deals with a listing that may not be grouped by source file, in
// one place. A grouped listing (each file's CDSs together, as TARN1 writes
// them) is read once, and each file's genes are analysed and written as soon
// as the next file starts, so memory holds one file's share. A listing in
// which a file's CDSs come back after another file's is read whole and
// analysed at once: its table is the same, only memory differs. Which of the
// two a listing is shows only at its end, so no table byte goes where it
// cannot be taken back before the run knows:
//   - a table sink that can take back what it was given (a file) gets the
//     table at once; when a file comes back, the sink takes it all back and
//     the listing is read again from its start, whole;
//   - otherwise (a pipe, a terminal) the listing is first read for its file
//     names alone (no parsing, no analysis), then read again: grouped or
//     whole, as that look found it. Should the second reading find a file
//     coming back that the first did not, the listing changed while it was
//     read, and the run fails.
// A write that failed ends the run before any second reading.

#include "cds/cds_store.h"
#include "lookup/file_summary.h"
#include "lookup/table_format.h"
#include "io/listing_source.h"
#include "io/table_sink.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct RunOutcome {
  enum Kind { DONE, REFUSED, READ_FAILED, WRITE_FAILED } kind = DONE;
  int64_t nCds = 0;         // the listing's CDS count; unknown after READ_FAILED
  int64_t nGenes = 0;       // entries written (DONE)
  int64_t refusedCds = 0;   // number of the refused CDS, from 1 (REFUSED)
  Problem problem{};        // what is wrong with it (REFUSED)
  std::string error;        // why reading or writing failed (READ_FAILED, WRITE_FAILED)
  std::string returningFile;  // a source file whose CDSs come back after other files'
  int64_t returnsAt = 0;      // the number, from 1, of the CDS where it comes back; 0 when grouped
};

struct RunProgress {
  uint64_t bytesRead;   // of the listing as stored (compressed, if it is)
  uint64_t bytesTotal;  // 0 when not known in advance
  int64_t cdsRead;
  const char* stage;    // "scanning", "reading", or "writing" once the listing is read
};

struct RunOptions {
  TableFormat format = TableFormat::T2;
  bool decompress = false;                           // recognise compressed input
  int threads = 2;                                   // 1: read, analyse and write in turn
  std::function<void(const RunProgress&)> progress;  // called now and then while reading
  std::vector<FileSummary>* summaries = nullptr;     // gets one summary per source file, when set
  int compression = -1;                              // BGZF at this level (0..9); -1: plain text
  size_t blockSize = 1 << 20;                        // bytes of listing parsed as one task
};

// On any outcome but DONE what the sink holds is incomplete. Every outcome
// but READ_FAILED carries the listing's CDS count.
RunOutcome makeTable(ListingSource& listing, TableSink& sink, const RunOptions& options);
