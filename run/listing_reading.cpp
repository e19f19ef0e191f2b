#include "run/listing_reading.h"

#include "analysis/neighbours.h"
#include "io/decoding_source.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <span>
#include <utility>

namespace {

constexpr size_t BATCH_CDS = 4096;  // a batch takes whole source files until it holds this many CDSs

}  // namespace

struct BlockSlot {
  std::string bytes;
  ParsedBlock parsed;
  bool done = false;  // guarded by the reading's mutex
  std::exception_ptr thrown;
};

void ListingReading::waitFor(const std::function<bool()>& ready) {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (ready()) return;
    }
    // Help with the queued work; with none queued, what is awaited runs on a
    // worker: wait for a task to end.
    if (pool_.runOne()) continue;
    std::unique_lock lock(mutex_);
    parsed_.wait_for(lock, std::chrono::milliseconds(50), ready);
  }
}

bool ListingReading::cut(BlockCutter& cutter) {
  auto slot = std::make_shared<BlockSlot>();
  if (!cutter.next(slot->bytes)) return false;
  slots_.push_back(slot);
  const BlockParse how = reading_ == Reading::LOOK    ? BlockParse::FILE_NAMES
                         : reading_ == Reading::WHOLE ? BlockParse::ONE_RUN
                                                      : BlockParse::BY_FILE;
  pool_.submit([this, slot, how] {
    try {
      parseBlock(slot->bytes, how, slot->parsed);
    } catch (...) {
      slot->thrown = std::current_exception();
    }
    slot->bytes = std::string();
    std::lock_guard lock(mutex_);
    slot->done = true;
    parsed_.notify_all();
  });
  return true;
}

void ListingReading::send(bool evenIfSmall) {
  if (batch_.empty() || (!evenIfSmall && batchCds_ < BATCH_CDS) || batchEnd_ > count_) return;
  if (output_.failed()) {
    stopped_ = true;
    return;
  }
  auto batch = std::make_shared<std::vector<Together>>(std::move(batch_));
  submitBatch([batch, this](uint64_t number) { makeBatch(std::move(*batch), number, output_, options_); });
  batch_.clear();
  batchCds_ = 0;
}

void ListingReading::submitBatch(std::function<void(uint64_t number)> make) {
  // Bounded memory: no more batches in the making than the pool can work on.
  waitFor([this] { return output_.inFlight() < limit_; });
  const uint64_t number = output_.number();
  {
    std::lock_guard lock(mutex_);
    ++batchesRunning_;
  }
  pool_.submit([make = std::move(make), number, this] {
    try {
      make(number);
    } catch (...) {  // out of memory before the batch was put: its place must still be filled
      BatchResult failed;
      failed.thrown = std::current_exception();
      output_.put(number, std::move(failed));
    }
    // The last touch of the reading: once the count is down, it may end.
    std::lock_guard lock(mutex_);
    --batchesRunning_;
    parsed_.notify_all();
  });
}

// A listing read whole is analysed at once, here; its entries are then
// formatted in batches on the pool, so that the table never stands whole in
// memory.
void ListingReading::sendWhole() {
  auto store = std::make_shared<CdsStore>();
  if (!file_.empty()) *store = std::move(file_.front().store);
  file_.clear();
  auto genes = std::make_shared<const std::vector<GeneEntry>>(analyseGenes(*store));
  std::vector<FileSummary> summaries;
  if (options_.summaries != nullptr) summariseFiles(*store, *genes, findNeighbours(*store, *genes), summaries);
  for (size_t begin = 0; begin < genes->size() || begin == 0; begin += BATCH_CDS) {
    const size_t end = std::min(genes->size(), begin + BATCH_CDS);
    auto first = std::make_shared<std::vector<FileSummary>>(std::move(summaries));  // with the first batch
    summaries.clear();
    submitBatch([store, genes, begin, end, first, this](uint64_t number) {
      BatchResult result;
      result.summaries = std::move(*first);
      result.entries = static_cast<int64_t>(end - begin);
      formatBatch(*store, std::span(*genes).subspan(begin, end - begin), options_, result);
      output_.put(number, std::move(result));
    });
  }
}

void ListingReading::endFile() {
  if (file_.empty()) return;
  for (const FileRun& run : file_) batchCds_ += run.store.cds.size();
  batch_.push_back(std::move(file_));
  file_.clear();
  batchEnd_ = index_;
}

void ListingReading::takeRun(FileRun& run, Found& found) {
  const int64_t size = run.groups;
  if (reading_ != Reading::WHOLE && order_.isNew(run.file, index_)) {
    if (!order_.starts(run.file, index_)) {
      if (found.at < 0) {
        found.file = run.file;
        found.at = index_;
      }
      if (reading_ == Reading::STREAM) {
        found.notGrouped = stopped_ = true;
        return;
      }
      if (cameBack_ < 0) cameBack_ = index_;
    }
    endFile();
    send(false);
  }
  // Read whole, the listing's CDSs go into one store as they come: one copy
  // of the listing, not one per block.
  if (reading_ == Reading::WHOLE && !file_.empty()) file_.front().store.append(run.store);
  else if (reading_ != Reading::LOOK) file_.push_back(std::move(run));
  index_ += size;
}

void ListingReading::take(ParsedBlock& block, Found& found) {
  count_ += block.count;
  if (refused_ >= 0 || stopped_) return;  // only the count matters now
  for (FileRun& run : block.runs) {
    takeRun(run, found);
    if (stopped_) return;
  }
  if (block.refused >= 0) {  // the groups before it are all in the runs
    refused_ = index_;
    problem_ = block.problem;
  }
}

// Waits for every task of the reading: they refer to it.
void ListingReading::drain() {
  for (const auto& slot : slots_) waitFor([&slot] { return slot->done; });
  slots_.clear();
  waitFor([this] { return batchesRunning_ == 0; });
}

void ListingReading::run(RunOutcome& outcome, Found& found) {
  DecodingSource decoded(listing_, &pool_);
  ByteSource& bytes = options_.decompress ? static_cast<ByteSource&>(decoded) : listing_;
  BlockCutter cutter(bytes, options_.blockSize);
  const char* stage = reading_ == Reading::LOOK ? "scanning" : "reading";
  std::exception_ptr thrown;
  for (bool more = true;;) {
    while (more && !stopped_ && slots_.size() < limit_) more = cut(cutter);
    if (cutter.failed() || slots_.empty()) break;
    const std::shared_ptr<BlockSlot> slot = slots_.front();
    waitFor([&slot] { return slot->done; });
    slots_.pop_front();
    if (slot->thrown) {
      thrown = slot->thrown;
      break;
    }
    take(slot->parsed, found);
    slot->parsed = ParsedBlock();
    if (options_.progress) options_.progress({listing_.consumed(), listing_.size(), index_, stage});
  }
  if (!thrown && !cutter.failed() && !stopped_) {
    try {
      finish(outcome, found);
    } catch (...) {
      thrown = std::current_exception();  // after the tasks that refer to this reading
    }
  }
  drain();
  if (thrown) std::rethrow_exception(thrown);
  output_.rethrow();
  outcome.nCds = count_;
  if (cutter.failed()) {
    outcome = RunOutcome();
    outcome.kind = RunOutcome::READ_FAILED;
    outcome.error = bytes.error();
  } else if (output_.failed()) {
    outcome.kind = RunOutcome::WRITE_FAILED;
  }
}

// The count is complete: groups past it were never CDSs, and a listing that
// ends before it gets empty ones.
void ListingReading::finish(RunOutcome& outcome, Found& found) {
  if (refused_ >= 0 && refused_ < count_) {
    outcome.kind = RunOutcome::REFUSED;
    outcome.refusedCds = refused_ + 1;
    outcome.problem = problem_;
    return;
  }
  if (refused_ < 0 && count_ > index_) {
    FileRun padding;
    const uint32_t empty = padding.store.names.intern("");
    padding.store.cds.assign(static_cast<size_t>(count_ - index_), Cds{0, 0, 0, empty, empty, 0, 0});
    padding.groups = count_ - index_;
    takeRun(padding, found);
    if (stopped_) return;
  }
  // Drop what lies past the count, from the last run held back.
  int64_t excess = index_ - count_;
  auto drop = [&excess](Together& runs) {
    while (excess > 0 && !runs.empty()) {
      CdsStore& store = runs.back().store;
      const int64_t cut = std::min<int64_t>(excess, static_cast<int64_t>(store.cds.size()));
      store.cds.resize(store.cds.size() - static_cast<size_t>(cut));
      excess -= cut;
      if (store.cds.empty()) runs.pop_back();
    }
  };
  drop(file_);
  while (excess > 0 && !batch_.empty()) {
    drop(batch_.back());
    if (batch_.back().empty()) batch_.pop_back();
  }
  if (reading_ == Reading::TRUSTED && cameBack_ >= 0 && cameBack_ < count_) {
    outcome.kind = RunOutcome::READ_FAILED;
    outcome.error = "changed while it was read";
    return;
  }
  if (options_.progress) options_.progress({listing_.consumed(), listing_.size(), count_, "writing"});
  index_ = std::min(index_, count_);
  batchEnd_ = std::min(batchEnd_, count_);
  if (reading_ == Reading::WHOLE) {
    sendWhole();
    return;
  }
  endFile();
  send(true);
}
