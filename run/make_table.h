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
//   - otherwise (a pipe, a terminal) the listing is first looked at on every
//     thread for its file names and counted (no location parsed, no
//     analysis), which also finds a listing that cannot be read or decoded
//     and a CDS refused for its names; then it is read again, grouped or
//     whole, as the look found it. Should the second reading find a file
//     coming back that the first did not, the listing changed while it was
//     read, and the run fails.
// A write that fails ends the run before any second reading. On any outcome
// but DONE what the sink holds is incomplete: the caller takes it back where
// it can.

// Several inputs make one table, read in the order given as one listing:
// the listings' concatenation, each annotation (GenBank, EMBL, GFF3, GTF) the
// listing of its CDSs, a source file of its own.

#include "io/listing_source.h"
#include "io/table_sink.h"
#include "run/run_types.h"

#include <span>

// Every outcome but READ_FAILED carries the inputs' CDS count (the count so
// far after WRITE_FAILED).
RunOutcome makeTable(std::span<RunInput> inputs, TableSink& sink, const RunOptions& options);
// One listing.
RunOutcome makeTable(ListingSource& listing, TableSink& sink, const RunOptions& options);
