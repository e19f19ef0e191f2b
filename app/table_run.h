#pragma once
// A whole run from listing to table: read, analyse, write.

#include "listing/byte_source.h"
#include "listing/listing_reader.h"
#include "listing/file_source.h"
#include "lookup/file_summary.h"
#include "lookup/table_writer.h"

#include <cstdint>
#include <functional>
#include <string>

// A sink that can drop what it was given.
class RestartableSink : public ByteSink {
 public:
  virtual bool restart() = 0;
};

struct RunOutcome {
  enum Kind { DONE, REFUSED, READ_FAILED, WRITE_FAILED } kind = DONE;
  int64_t nCds = 0;        // the listing's CDS count; unknown after READ_FAILED
  int64_t nGenes = 0;      // entries written (DONE)
  int64_t refusedCds = 0;  // number of the refused CDS, from 1 (REFUSED)
  Problem problem{};       // what is wrong with it (REFUSED)
  std::string readError;   // what went wrong (READ_FAILED)
};

struct RunProgress {
  uint64_t bytesRead;   // of the listing as stored (compressed, if it is)
  uint64_t bytesTotal;  // 0 when not known in advance
  int64_t cdsRead;
  const char* stage;    // "reading", or "writing" once the listing is read
};

struct RunOptions {
  TableFormat format = TableFormat::T2;
  bool decompress = false;                          // recognise gzip input
  int threads = 2;                                  // 1: read, analyse and write in turn
  std::function<void(const RunProgress&)> progress;  // called now and then while reading
  std::vector<FileSummary>* summaries = nullptr;     // when set, gets one summary per source file, in listing order
};

// Reads the listing once when it is grouped by source file (each file's CDSs
// together), analysing and writing each file's genes as soon as its CDSs are
// all read, so memory holds one file's share. Otherwise, found out on the way,
// the table is started again and the listing read again whole. The sink gets
// the table as it grows; on any outcome but DONE what it holds is incomplete.
// Every outcome but READ_FAILED carries the listing's CDS count.
RunOutcome makeTable(RewindableSource& listing, RestartableSink& sink, const RunOptions& options);
