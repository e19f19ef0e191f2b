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

RunOutcome readFailure(std::string error, size_t input) {
  RunOutcome outcome;
  outcome.kind = RunOutcome::READ_FAILED;
  outcome.error = std::move(error);
  outcome.input = input;
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

// An input that could not be read, or an annotation that could not; none
// when all could.
bool failedReading(const Reading& reading, RunOutcome& outcome) {
  if (!reading.readError.empty()) {
    outcome = readFailure(reading.readError, reading.failedInput);
    return true;
  }
  const AnnotationFailure& bad = reading.annotation;
  if (bad.line == 0) return false;
  outcome = RunOutcome();
  outcome.kind = bad.refused ? RunOutcome::REFUSED : RunOutcome::BAD_INPUT;
  outcome.input = reading.failedInput;
  outcome.line = bad.line;
  outcome.problem = bad.problem;
  outcome.error = bad.error;
  return true;
}

bool rewind(std::span<RunInput> inputs, RunOutcome& failure) {
  for (size_t k = 0; k < inputs.size(); ++k)
    if (!inputs[k].bytes->rewind()) {
      failure = readFailure(inputs[k].bytes->error(), k);
      return false;
    }
  return true;
}

}  // namespace

RunOutcome makeTable(ListingSource& listing, TableSink& sink, const RunOptions& options) {
  RunInput input{&listing, InputFormat::LISTING, ""};
  return makeTable(std::span(&input, 1), sink, options);
}

RunOutcome makeTable(std::span<RunInput> inputs, TableSink& sink, const RunOptions& options) {
  ListingCount first;  // what the first reading found of the file order
  bool whole = false;
  const bool trusted = !sink.canTakeBack();
  RunOutcome failure;
  if (trusted) {
    const Reading looked = lookAtListing(inputs, options);
    if (failedReading(looked, failure) || !rewind(inputs, failure)) return failure;
    if (looked.count.refusedWithin()) {
      // The look refuses for names alone; a location before it may be the
      // first refusal, which a full reading that writes nothing finds.
      NoTable none;
      const Reading exact = readGrouped(inputs, none, options, false);
      if (failedReading(exact, failure)) return failure;
      return refusal(exact.count);
    }
    first = looked.count;
    whole = first.cameBackWithin();
  }
  const TextBuffer header = tableBytes(tableHeader(options.format, options.neighbours), options);
  Reading reading;
  if (!sink.write(header.view())) {
    reading.writeFailed = true;
  } else {
    reading = whole ? readWhole(inputs, sink, options) : readGrouped(inputs, sink, options, !trusted);
    if (!trusted) first = reading.count;
  }
  if (reading.stoppedAtComeback && !reading.writeFailed) {
    if (!sink.takeBack()) {
      reading = Reading();
      reading.writeFailed = true;
    } else if (!rewind(inputs, failure)) {
      return failure;
    } else if (!sink.write(header.view())) {
      reading = Reading();
      reading.writeFailed = true;
    } else {
      reading = readWhole(inputs, sink, options);
    }
  }
  if (failedReading(reading, failure)) return failure;
  RunOutcome outcome;
  outcome.nCds = reading.count.count;
  if (reading.writeFailed) {
    outcome.kind = RunOutcome::WRITE_FAILED;
    outcome.error = sink.error();
    return outcome;
  }
  if (reading.count.refusedWithin()) return refusal(reading.count);
  if (trusted && !whole && reading.count.cameBackWithin()) return readFailure("changed while it was read", 0);
  if (options.compression >= 0 && !sink.write(BGZF_EOF_BLOCK)) {
    outcome.kind = RunOutcome::WRITE_FAILED;
    outcome.error = sink.error();
    return outcome;
  }
  outcome.nGenes = reading.entries;
  for (size_t k = 0; k < inputs.size(); ++k)
    if (inputs[k].format == InputFormat::LISTING && reading.counts[k] == 0) outcome.withoutCds.push_back(k);
  if (first.cameBackAt >= 0 && first.cameBackAt < outcome.nCds) {
    outcome.returningFile = first.cameBack;
    outcome.returnsAt = first.cameBackAt + 1;
  }
  return outcome;
}
