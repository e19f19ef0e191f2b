#pragma once
// The three readings of a listing, each a small strategy over one ordered
// pipeline (pipeline/pipeline.h): the text front's stages (read, load, cut),
// then the listing parsed on every thread, then its own gathering, then, for
// the readings that write, batches made on every thread and written in
// order. make_table.h says when each runs.

#include "io/listing_source.h"
#include "io/table_sink.h"
#include "run/gather.h"
#include "run/run_types.h"

#include <cstdint>
#include <string>

// What a reading found; make_table.cpp alone turns it into an outcome.
struct Reading {
  ListingCount count;
  std::string readError;   // why the listing could not be read; empty when it could
  bool writeFailed = false;
  bool stoppedAtComeback = false;
  int64_t entries = 0;     // entries written
};

// The source file names alone, on every thread: whether the listing is
// grouped, its count, and any failure to read or decode it.
Reading lookAtListing(ListingSource& listing, const RunOptions& options);
// File by file, each file's table written once the file is whole; a file
// that comes back stops it when `stopAtComeback`, else is only noted.
Reading readGrouped(ListingSource& listing, TableSink& sink, const RunOptions& options, bool stopAtComeback);
// Every CDS in one store, analysed at once, its entries formatted in batches.
Reading readWhole(ListingSource& listing, TableSink& sink, const RunOptions& options);
