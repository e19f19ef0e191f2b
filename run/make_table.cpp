#include "run/make_table.h"

#include "listing/decoding_source.h"
#include "listing/listing_reader.h"
#include "run/gene_stage.h"

#include <string>
#include <unordered_set>

namespace {

constexpr int64_t PROGRESS_EVERY = 1 << 16;  // CDSs between progress reports

// How a reading hands on the CDSs it reads.
enum class Reading {
  STREAM,   // file by file; a file that comes back stops the reading
  TRUSTED,  // file by file, the listing known to be grouped
  WHOLE,    // all at once at the end
};

// Watches the source file names go by: a name that comes back after another
// file's CDSs means the listing is not grouped.
class FileOrder {
 public:
  // False when `file`, starting at CDS `index` (from 0), came before.
  bool starts(const std::string& file, int64_t index) {
    if (index > 0 && file == current_) return true;
    if (index > 0) finished_.insert(std::move(current_));
    current_ = file;
    return finished_.count(file) == 0;
  }
  bool isNew(const std::string& file, int64_t index) const { return index == 0 || file != current_; }

 private:
  std::string current_;
  std::unordered_set<std::string> finished_;
};

// The first file coming back, if any, and the listing's count.
struct Look {
  bool failed = false;
  std::string error;
  int64_t count = 0;
  std::string file;
  int64_t at = -1;  // index of the CDS where it comes back; -1 when none does
};

void progress(const RunOptions& options, const ListingSource& listing, int64_t cds, const char* stage) {
  if (options.progress) options.progress({listing.consumed(), listing.size(), cds, stage});
}

ByteSource& bytesOf(ListingSource& listing, DecodingSource& decoded, const RunOptions& options) {
  return options.decompress ? static_cast<ByteSource&>(decoded) : listing;
}

Look lookAtFileNames(ListingSource& listing, const RunOptions& options) {
  DecodingSource decoded(listing);
  ByteSource& bytes = bytesOf(listing, decoded, options);
  ListingReader reader(bytes);
  ParsedCds cds;
  FileOrder order;
  Look look;
  ListingReader::Status status;
  for (int64_t index = 0; (status = reader.nextFileName(cds)) == ListingReader::CDS_READ; ++index) {
    if (look.at < 0 && !order.starts(cds.file, index)) {
      look.at = index;
      look.file = cds.file;
    }
    if ((index + 1) % PROGRESS_EVERY == 0) progress(options, listing, index + 1, "scanning");
  }
  look.failed = status == ListingReader::READ_FAILED;
  look.error = bytes.error();
  look.count = reader.count();
  return look;
}

// One reading of the listing. CDSs are held until they can be sent: when the
// next source file starts and every held CDS lies within the count so far
// (the count only grows, so they stay within it).
class ListingPass {
 public:
  ListingPass(ListingSource& listing, GeneStage& stage, const RunOptions& options, Reading reading)
      : decoded_(listing), bytes_(bytesOf(listing, decoded_, options)), reader_(bytes_), listing_(listing),
        stage_(stage), options_(options), reading_(reading) {}

  // False when the listing turned out not grouped while streaming.
  bool run(RunOutcome& outcome);

 private:
  bool send();
  bool finish(RunOutcome& outcome, RunOutcome::Kind kind);
  bool readFailed(RunOutcome& outcome);

  DecodingSource decoded_;
  ByteSource& bytes_;
  ListingReader reader_;
  ListingSource& listing_;
  GeneStage& stage_;
  const RunOptions& options_;
  Reading reading_;
  CdsStore pending_;
  int64_t base_ = 0;  // number of pending_'s first CDS in the listing
  int64_t cameBack_ = -1;  // TRUSTED: where a file came back after all
};

bool ListingPass::send() {
  base_ += static_cast<int64_t>(pending_.cds.size());
  if (!pending_.cds.empty()) stage_.send(pending_);
  return !stage_.failed();
}

bool ListingPass::readFailed(RunOutcome& outcome) {
  outcome.kind = RunOutcome::READ_FAILED;
  outcome.error = bytes_.error();
  return true;
}

// The count is complete: the groups past it were never CDSs.
bool ListingPass::finish(RunOutcome& outcome, RunOutcome::Kind kind) {
  outcome.kind = kind;
  outcome.nCds = reader_.count();
  if (cameBack_ >= 0 && cameBack_ < outcome.nCds) {
    outcome.kind = RunOutcome::READ_FAILED;
    outcome.error = "changed while it was read";
    return true;
  }
  if (kind == RunOutcome::DONE) {
    progress(options_, listing_, reader_.count(), "writing");
    if (base_ + static_cast<int64_t>(pending_.cds.size()) > outcome.nCds)
      pending_.cds.resize(static_cast<size_t>(outcome.nCds - base_));
    send();
  }
  return true;
}

bool ListingPass::run(RunOutcome& outcome) {
  ParsedCds cds;
  FileOrder order;
  for (;;) {
    Problem problem;
    const ListingReader::Status status = reader_.next(cds, problem);
    if (status == ListingReader::READ_FAILED) return readFailed(outcome);
    if (status == ListingReader::END) return finish(outcome, RunOutcome::DONE);
    const int64_t index = reader_.groups() - 1;
    if (status == ListingReader::REFUSED) {
      if (!reader_.countToEnd()) return readFailed(outcome);
      if (index >= reader_.count()) return finish(outcome, RunOutcome::DONE);  // past the count: no CDS
      outcome.refusedCds = index + 1;
      outcome.problem = problem;
      return finish(outcome, RunOutcome::REFUSED);
    }
    if (reading_ != Reading::WHOLE && order.isNew(cds.file, index)) {
      if (!order.starts(cds.file, index)) {
        if (reading_ == Reading::STREAM) {
          outcome.returningFile = cds.file;
          outcome.returnsAt = index + 1;
          return false;
        }
        if (cameBack_ < 0) cameBack_ = index;
      }
      if (reader_.count() >= index && !send()) {
        outcome.kind = RunOutcome::WRITE_FAILED;
        return true;
      }
    }
    pending_.add(cds);
    if ((index + 1) % PROGRESS_EVERY == 0) progress(options_, listing_, index + 1, "reading");
  }
}

// Reads the listing once as `reading` says; false when it turned out not grouped.
bool readListing(ListingSource& listing, TableWriter& writer, const RunOptions& options, Reading reading,
                 RunOutcome& outcome) {
  GeneStage stage(writer, options.summaries, options.threads > 1);
  const bool read = ListingPass(listing, stage, options, reading).run(outcome);
  stage.close();
  if (stage.failed() && (outcome.kind == RunOutcome::DONE || !read)) {
    outcome.kind = RunOutcome::WRITE_FAILED;
    return true;
  }
  return read;
}

RunOutcome readFailure(std::string error) {
  RunOutcome outcome;
  outcome.kind = RunOutcome::READ_FAILED;
  outcome.error = std::move(error);
  return outcome;
}

}  // namespace

RunOutcome makeTable(ListingSource& listing, TableSink& sink, const RunOptions& options) {
  TableWriter writer(sink, options.format);
  RunOutcome outcome;
  Reading reading = Reading::STREAM;
  if (!sink.canTakeBack()) {
    const Look look = lookAtFileNames(listing, options);
    if (look.failed) return readFailure(look.error);
    if (!listing.rewind()) return readFailure(listing.error());
    reading = Reading::TRUSTED;
    if (look.at >= 0 && look.at < look.count) {
      reading = Reading::WHOLE;
      outcome.returningFile = look.file;
      outcome.returnsAt = look.at + 1;
    }
  }
  if (!readListing(listing, writer, options, reading, outcome)) {
    writer.restart();
    if (options.summaries != nullptr) options.summaries->clear();
    if (!sink.takeBack()) {
      outcome.kind = RunOutcome::WRITE_FAILED;
    } else if (!listing.rewind()) {
      outcome = readFailure(listing.error());
    } else {
      readListing(listing, writer, options, Reading::WHOLE, outcome);
    }
  }
  if (outcome.kind == RunOutcome::DONE && !writer.finish()) outcome.kind = RunOutcome::WRITE_FAILED;
  if (outcome.kind == RunOutcome::WRITE_FAILED) outcome.error = sink.error();
  if (outcome.returnsAt > outcome.nCds) {  // past the count: no CDS came back
    outcome.returnsAt = 0;
    outcome.returningFile.clear();
  }
  outcome.nGenes = writer.entries();
  return outcome;
}
