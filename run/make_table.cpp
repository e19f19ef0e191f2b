#include "run/make_table.h"

#include "lookup/bgzf_blocks.h"
#include "lookup/table_format.h"
#include "pool/task_pool.h"
#include "run/batch.h"
#include "run/listing_reading.h"
#include "run/ordered_output.h"

#include <string>
#include <utility>

namespace {

RunOutcome readFailure(std::string error) {
  RunOutcome outcome;
  outcome.kind = RunOutcome::READ_FAILED;
  outcome.error = std::move(error);
  return outcome;
}

}  // namespace

RunOutcome makeTable(ListingSource& listing, TableSink& sink, const RunOptions& options) {
  TaskPool pool(options.threads);
  OrderedOutput output(sink, options.summaries);
  RunOutcome outcome;
  Found found;
  Reading reading = Reading::STREAM;
  if (!sink.canTakeBack()) {
    RunOutcome looked;
    ListingReading(listing, pool, output, options, Reading::LOOK).run(looked, found);
    if (looked.kind == RunOutcome::READ_FAILED) return looked;
    if (!listing.rewind()) return readFailure(listing.error());
    reading = found.at >= 0 && found.at < looked.nCds ? Reading::WHOLE : Reading::TRUSTED;
  }
  putBytes(output, tableHeader(options.format), options);
  ListingReading(listing, pool, output, options, reading).run(outcome, found);
  if (found.notGrouped && outcome.kind == RunOutcome::DONE) {
    output.restart();
    if (!sink.takeBack()) {
      outcome.kind = RunOutcome::WRITE_FAILED;
    } else if (!listing.rewind()) {
      outcome = readFailure(listing.error());
    } else {
      putBytes(output, tableHeader(options.format), options);
      Found whole;
      ListingReading(listing, pool, output, options, Reading::WHOLE).run(outcome, whole);
    }
  }
  if (outcome.kind == RunOutcome::DONE && options.compression >= 0) {
    BatchResult end;
    end.bytes = BGZF_EOF_BLOCK;
    output.put(output.number(), std::move(end));
    output.drain();
  }
  if (outcome.kind == RunOutcome::DONE && output.failed()) outcome.kind = RunOutcome::WRITE_FAILED;
  if (outcome.kind == RunOutcome::WRITE_FAILED) outcome.error = sink.error();
  if (found.at >= 0 && found.at < outcome.nCds && outcome.kind != RunOutcome::READ_FAILED) {
    outcome.returningFile = found.file;
    outcome.returnsAt = found.at + 1;
  }
  outcome.nGenes = output.entries();
  return outcome;
}
