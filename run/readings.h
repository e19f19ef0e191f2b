#pragma once
// The three readings of a run's inputs, each a small strategy over one
// ordered pipeline (pipeline/pipeline.h): the text front's stages (read,
// load, cut), then each block parsed on every thread by its input's format,
// then its own gathering, then, for the readings that write, batches made on
// every thread and written in order. make_table.h says when each runs.

#include "io/table_sink.h"
#include "run/annotation_input.h"
#include "run/gather.h"
#include "run/run_types.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// What a reading found; make_table.cpp alone turns it into an outcome.
struct Reading {
  ListingCount count;
  std::string readError;       // why an input could not be read; empty when all could
  AnnotationFailure annotation;  // why an annotation could not be read
  size_t failedInput = 0;      // the input of either
  bool writeFailed = false;
  bool stoppedAtComeback = false;
  int64_t entries = 0;         // entries written
  std::vector<int64_t> counts; // CDSs of each input
};

// The source file names alone (an annotation read whole), on every thread:
// whether the inputs are grouped, their count, and any failure to read them.
Reading lookAtListing(std::span<const RunInput> inputs, const RunOptions& options);
// File by file, each file's table written once the file is whole; a file
// that comes back stops it when `stopAtComeback`, else is only noted.
Reading readGrouped(std::span<const RunInput> inputs, TableSink& sink, const RunOptions& options, bool stopAtComeback);
// Every CDS in one store, analysed at once, its entries formatted in batches.
Reading readWhole(std::span<const RunInput> inputs, TableSink& sink, const RunOptions& options);
