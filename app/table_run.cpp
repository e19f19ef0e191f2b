#include "app/table_run.h"

#include "analysis/analyse_genes.h"
#include "listing/decoding_source.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <utility>

namespace {

constexpr int64_t PROGRESS_EVERY = 1 << 16;  // CDSs between progress reports
constexpr size_t BATCHES_IN_FLIGHT = 4;     // bounds the memory the reading thread may run ahead with

// Analyses and writes batches of CDSs in the order sent, on a thread of its
// own when asked: reading and parsing take about as long as analysing and
// writing, so the two halves of a run share the two cores.
class TableStage {
 public:
  TableStage(TableWriter& writer, RestartableSink& sink, std::vector<FileSummary>* summaries, bool threaded)
      : writer_(writer), sink_(sink), summaries_(summaries) {
    if (threaded) worker_ = std::thread([this] { work(); });
  }
  ~TableStage() { stop(); }

  // Takes the CDSs of `store`, leaving it empty for reuse.
  void send(CdsStore& store) { push(Item{false, std::move(store)}, store); }
  // Drops what was written so far; batches sent after it start a new table.
  void restart() {
    CdsStore none;
    push(Item{true, {}}, none);
  }
  bool failed() const { return failed_; }
  // Waits until everything sent is written; rethrows what the thread threw.
  void close() {
    stop();
    if (thrown_) std::rethrow_exception(std::exchange(thrown_, nullptr));
  }

 private:
  struct Item {
    bool restart;
    CdsStore store;
  };

  void take(Item& item) {
    if (failed_) return;
    bool ok;
    if (item.restart) {
      if (summaries_ != nullptr) summaries_->clear();
      ok = (writer_.restart(), sink_.restart());
    } else {
      const std::vector<GeneEntry> genes = analyseGenes(item.store);
      if (summaries_ != nullptr) summariseFiles(item.store, genes, *summaries_);
      ok = writer_.add(item.store, genes);
    }
    if (!ok) failed_ = true;
  }

  void stop() {
    if (!worker_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
    }
    changed_.notify_all();
    worker_.join();
  }

  void push(Item item, CdsStore& emptied) {
    if (!worker_.joinable()) {
      take(item);
      item.store.clear();
      emptied = std::move(item.store);
      return;
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < BATCHES_IN_FLIGHT || failed_; });
    if (!failed_) queue_.push_back(std::move(item));
    if (spare_.empty()) {
      emptied = CdsStore();
    } else {
      emptied = std::move(spare_.back());
      spare_.pop_back();
    }
    changed_.notify_all();
  }

  void work() {
    try {
      for (;;) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !queue_.empty() || closing_; });
        if (queue_.empty()) return;
        Item item = std::move(queue_.front());
        queue_.pop_front();
        changed_.notify_all();
        lock.unlock();
        take(item);
        item.store.clear();  // keeps its capacity for the next batch
        lock.lock();
        spare_.push_back(std::move(item.store));
      }
    } catch (...) {
      std::lock_guard lock(mutex_);
      thrown_ = std::current_exception();
      failed_ = true;
      queue_.clear();
      changed_.notify_all();
    }
  }

  TableWriter& writer_;
  RestartableSink& sink_;
  std::vector<FileSummary>* summaries_;  // only this stage's thread touches it until close()
  std::thread worker_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Item> queue_;
  std::vector<CdsStore> spare_;
  bool closing_ = false;
  std::atomic<bool> failed_ = false;
  std::exception_ptr thrown_;
};

enum class Pass { FINISHED, NOT_GROUPED };

// One reading of the listing. CDSs are held in `pending` until they can be
// written: when the next source file starts and every held CDS lies within
// the count so far (the count only grows, so they stay within it). The file
// that starts must not have been seen before, or the listing is not grouped
// and the pass gives up. Read whole, nothing is written before the end.
class ListingPass {
 public:
  ListingPass(ByteSource& bytes, RewindableSource& listing, TableStage& stage, const RunOptions& options, bool whole)
      : reader_(bytes), bytes_(bytes), listing_(listing), stage_(stage), options_(options), whole_(whole) {}

  Pass run(RunOutcome& outcome);

 private:
  bool send();
  Pass finish(RunOutcome& outcome, RunOutcome::Kind kind);
  Pass readFailed(RunOutcome& outcome);

  ListingReader reader_;
  ByteSource& bytes_;
  RewindableSource& listing_;
  TableStage& stage_;
  const RunOptions& options_;
  bool whole_;
  CdsStore pending_;
  int64_t base_ = 0;  // number of pending_'s first CDS in the listing
};

bool ListingPass::send() {
  base_ += static_cast<int64_t>(pending_.cds.size());
  if (!pending_.cds.empty()) stage_.send(pending_);
  return !stage_.failed();
}

Pass ListingPass::readFailed(RunOutcome& outcome) {
  outcome.kind = RunOutcome::READ_FAILED;
  outcome.readError = bytes_.error();
  return Pass::FINISHED;
}

// The count is complete: the groups past it were never CDSs.
Pass ListingPass::finish(RunOutcome& outcome, RunOutcome::Kind kind) {
  outcome.kind = kind;
  outcome.nCds = reader_.count();
  if (kind == RunOutcome::DONE) {
    if (options_.progress) options_.progress({listing_.consumed(), listing_.size(), reader_.count(), "writing"});
    if (base_ + static_cast<int64_t>(pending_.cds.size()) > outcome.nCds)
      pending_.cds.resize(static_cast<size_t>(outcome.nCds - base_));
    send();
  }
  return Pass::FINISHED;
}

Pass ListingPass::run(RunOutcome& outcome) {
  ParsedCds cds;
  std::string currentFile;
  size_t currentHash = 0;
  std::unordered_set<size_t> finishedFiles;  // hashes: a collision only costs a second reading
  for (;;) {
    Problem problem;
    ListingReader::Status status = reader_.next(cds, problem);
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
    if (!whole_ && (index == 0 || cds.file != currentFile)) {
      const size_t hash = std::hash<std::string>{}(cds.file);
      if (finishedFiles.count(hash) != 0) return Pass::NOT_GROUPED;
      if (index > 0) finishedFiles.insert(currentHash);
      currentFile = cds.file;
      currentHash = hash;
      if (reader_.count() >= index && !send()) {
        if (!reader_.countToEnd()) return readFailed(outcome);
        return finish(outcome, RunOutcome::WRITE_FAILED);
      }
    }
    pending_.add(cds);
    if (options_.progress && (index + 1) % PROGRESS_EVERY == 0)
      options_.progress({listing_.consumed(), listing_.size(), index + 1, "reading"});
  }
}

Pass readListing(RewindableSource& listing, TableStage& stage, const RunOptions& options, bool whole,
                 RunOutcome& outcome) {
  DecodingSource decoded(listing);
  ByteSource& bytes = options.decompress ? static_cast<ByteSource&>(decoded) : listing;
  return ListingPass(bytes, listing, stage, options, whole).run(outcome);
}

}  // namespace

RunOutcome makeTable(RewindableSource& listing, RestartableSink& sink, const RunOptions& options) {
  TableWriter writer(sink, options.format);
  RunOutcome outcome;
  {
    TableStage stage(writer, sink, options.summaries, options.threads > 1);
    if (readListing(listing, stage, options, false, outcome) == Pass::NOT_GROUPED) {
      if (!listing.rewind()) return {RunOutcome::READ_FAILED, 0, 0, 0, {}, listing.error()};
      stage.restart();
      readListing(listing, stage, options, true, outcome);
    }
    stage.close();
    if (stage.failed() && outcome.kind == RunOutcome::DONE) outcome.kind = RunOutcome::WRITE_FAILED;
  }
  if (outcome.kind == RunOutcome::DONE && !writer.finish()) outcome.kind = RunOutcome::WRITE_FAILED;
  outcome.nGenes = writer.entries();
  return outcome;
}
