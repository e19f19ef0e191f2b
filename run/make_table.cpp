#include "run/make_table.h"

#include "lookup/bgzf_blocks.h"
#include "run/batch.h"
#include "run/readings.h"

#include <string>
#include <utility>

namespace {

// A sink that keeps nothing: a reading that only has to find the listing's
// first refused CDS.
struct NoTable : TableSink {
  bool write(std::string_view) override { return true; }
  bool canTakeBack() const override { return true; }
  bool takeBack() override { return true; }
};

RunOutcome readFailure(std::string error) {
  RunOutcome outcome;
  outcome.kind = RunOutcome::READ_FAILED;
  outcome.error = std::move(error);
  return outcome;
}

RunOutcome refusal(const ListingCount& count) {
  RunOutcome outcome;
  outcome.kind = RunOutcome::REFUSED;
  outcome.nCds = count.count;
  outcome.refusedCds = count.refused + 1;
  outcome.problem = count.problem;
  return outcome;
}

}  // namespace

RunOutcome makeTable(ListingSource& listing, TableSink& sink, const RunOptions& options) {
  ListingCount first;  // what the first reading found of the file order
  bool whole = false;
  const bool trusted = !sink.canTakeBack();
  if (trusted) {
    const Reading looked = lookAtListing(listing, options);
    if (!looked.readError.empty()) return readFailure(looked.readError);
    if (!listing.rewind()) return readFailure(listing.error());
    if (looked.count.refusedWithin()) {
      // The look refuses for names alone; a location before it may be the
      // first refusal, which a full reading that writes nothing finds.
      NoTable none;
      const Reading exact = readGrouped(listing, none, options, false);
      if (!exact.readError.empty()) return readFailure(exact.readError);
      return refusal(exact.count);
    }
    first = looked.count;
    whole = first.cameBackWithin();
  }
  const TextBuffer header = tableBytes(tableHeader(options.format), options);
  Reading reading;
  if (!sink.write(header.view())) {
    reading.writeFailed = true;
  } else {
    reading = whole ? readWhole(listing, sink, options) : readGrouped(listing, sink, options, !trusted);
    if (!trusted) first = reading.count;
  }
  if (reading.stoppedAtComeback && !reading.writeFailed) {
    if (!sink.takeBack()) {
      reading = Reading();
      reading.writeFailed = true;
    } else if (!listing.rewind()) {
      return readFailure(listing.error());
    } else if (!sink.write(header.view())) {
      reading = Reading();
      reading.writeFailed = true;
    } else {
      reading = readWhole(listing, sink, options);
    }
  }
  if (!reading.readError.empty()) return readFailure(reading.readError);
  RunOutcome outcome;
  outcome.nCds = reading.count.count;
  if (reading.writeFailed) {
    outcome.kind = RunOutcome::WRITE_FAILED;
    outcome.error = sink.error();
    return outcome;
  }
  if (reading.count.refusedWithin()) return refusal(reading.count);
  if (trusted && !whole && reading.count.cameBackWithin()) return readFailure("changed while it was read");
  if (options.compression >= 0 && !sink.write(BGZF_EOF_BLOCK)) {
    outcome.kind = RunOutcome::WRITE_FAILED;
    outcome.error = sink.error();
    return outcome;
  }
  outcome.nGenes = reading.entries;
  if (first.cameBackAt >= 0 && first.cameBackAt < outcome.nCds) {
    outcome.returningFile = first.cameBack;
    outcome.returnsAt = first.cameBackAt + 1;
  }
  return outcome;
}
