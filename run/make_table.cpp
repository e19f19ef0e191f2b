#include "run/make_table.h"

#include "analysis/analyse_genes.h"
#include "listing/decoding_source.h"
#include "lookup/bgzf_blocks.h"
#include "pool/task_pool.h"
#include "run/block_cutter.h"
#include "run/ordered_output.h"
#include "run/parse_block.h"

#include <deque>
#include <functional>
#include <span>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>

namespace {

constexpr size_t BATCH_CDS = 4096;     // a batch takes whole source files until it holds this many CDSs

// How a reading hands on the CDSs it reads.
enum class Reading {
  LOOK,     // file names alone, to learn whether the listing is grouped
  STREAM,   // file by file; a file that comes back stops the reading
  TRUSTED,  // file by file, the listing known to be grouped
  WHOLE,    // all at once at the end
};

// Watches the source file names go by: a name that comes back after another
// file's CDSs means the listing is not grouped.
class FileOrder {
 public:
  bool isNew(const std::string& file, int64_t index) const { return index == 0 || file != current_; }
  // `file` starts at CDS `index` (from 0); false when it came before.
  bool starts(const std::string& file, int64_t index) {
    if (index > 0) finished_.insert(std::move(current_));
    current_ = file;
    return finished_.count(file) == 0;
  }

 private:
  std::string current_;
  std::unordered_set<std::string> finished_;
};

// A block of the listing on its way through the parsing tasks.
struct BlockSlot {
  std::string bytes;
  ParsedBlock parsed;
  bool done = false;  // guarded by the reading's mutex
  std::exception_ptr thrown;
};

// CDSs analysed together: one source file, or with WHOLE every CDS.
using Together = std::vector<FileRun>;

// What one reading found, beyond its outcome.
struct Found {
  bool notGrouped = false;  // STREAM stopped at a file coming back
  int64_t count = 0;        // LOOK: the listing's count
  std::string file;         // a file coming back, and where (LOOK, STREAM)
  int64_t at = -1;
};

// One reading of the listing: the calling thread reads, cuts blocks and
// puts the parsed blocks in order; the pool parses blocks and analyses,
// formats and compresses batches of whole files. CDSs are held until they
// can be sent: when their file has ended and every one lies within the
// count so far (the count only grows, so they stay within it).
class ListingReading {
 public:
  ListingReading(ListingSource& listing, TaskPool& pool, OrderedOutput& output, const RunOptions& options,
                 Reading reading)
      : listing_(listing), pool_(pool), output_(output), options_(options), reading_(reading),
        limit_(4 * static_cast<size_t>(pool.threads()) + 4) {}

  void run(RunOutcome& outcome, Found& found);

 private:
  bool cut(BlockCutter& cutter);
  void waitFor(const std::function<bool()>& ready);
  void take(ParsedBlock& block, Found& found);
  void drain();
  void takeRun(FileRun& run, Found& found);
  void endFile();
  void send(bool evenIfSmall);
  void sendWhole();
  void submitBatch(std::function<void(uint64_t number)> make);
  void finish(RunOutcome& outcome, Found& found);

  ListingSource& listing_;
  TaskPool& pool_;
  OrderedOutput& output_;
  const RunOptions& options_;
  Reading reading_;
  size_t limit_;  // blocks being parsed, and batches being made, at most

  std::mutex mutex_;
  std::condition_variable parsed_;  // a block is parsed, or a batch written
  std::deque<std::shared_ptr<BlockSlot>> slots_;  // in listing order; only the reading thread's
  int batchesRunning_ = 0;  // batch tasks that have yet to end, guarded by mutex_

  FileOrder order_;
  int64_t index_ = 0;        // the next group's number in the listing, from 0
  int64_t count_ = 0;        // lines holding "#CDS=" in the blocks taken so far
  int64_t refused_ = -1;     // number of the first refused group, from 0
  Problem problem_{};
  int64_t cameBack_ = -1;    // TRUSTED: where a file came back after all
  bool stopped_ = false;     // a file came back (STREAM), or a write failed
  Together file_;            // the runs of the file being read
  std::vector<Together> batch_;  // whole files waiting to be sent
  size_t batchCds_ = 0;
  int64_t batchEnd_ = 0;     // the number of the group after the batch's last
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

// Puts `text` into the batch's bytes, compressed when the table is.
void compressInto(std::string& text, const RunOptions& options, BatchResult& result) {
  if (options.compression < 0) {
    result.bytes += text;
    return;
  }
  BgzfCompressor compressor(options.compression);
  if (!compressor.appendBlocks(text, result.bytes)) throw std::bad_alloc();
}

// Formats (and compresses) entries of a store analysed already.
void formatBatch(const CdsStore& store, std::span<const GeneEntry> genes, const RunOptions& options,
                 BatchResult& result) {
  try {
    std::string text;
    appendEntries(store, genes, options.format, text);
    compressInto(text, options, result);
  } catch (...) {
    result.thrown = std::current_exception();
  }
}

// Analyses, formats and compresses a batch of whole source files on a pool thread.
void makeBatch(std::vector<Together> batch, uint64_t number, OrderedOutput& output, const RunOptions& options) {
  BatchResult result;
  try {
    std::string text;
    for (Together& together : batch) {
      CdsStore& store = together.front().store;
      for (size_t k = 1; k < together.size(); ++k) store.append(together[k].store);
      const std::vector<GeneEntry> genes = analyseGenes(store);
      if (options.summaries != nullptr) summariseFiles(store, genes, result.summaries);
      appendEntries(store, genes, options.format, text);
      result.entries += static_cast<int64_t>(genes.size());
      together = Together();  // memory back before the next file
    }
    compressInto(text, options, result);
  } catch (...) {
    result.thrown = std::current_exception();
  }
  output.put(number, std::move(result));
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
    make(number);
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
  if (options_.summaries != nullptr) summariseFiles(*store, *genes, summaries);
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
  found.count = count_;
  if (refused_ >= 0 && refused_ < count_) {
    outcome.kind = RunOutcome::REFUSED;
    outcome.refusedCds = refused_ + 1;
    outcome.problem = problem_;
    return;
  }
  if (refused_ < 0 && count_ > index_) {
    FileRun padding;
    const uint32_t empty = padding.store.names.intern("");
    padding.store.cds.assign(static_cast<size_t>(count_ - index_), Cds{0, 0, 0, empty, empty, 0});
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

RunOutcome readFailure(std::string error) {
  RunOutcome outcome;
  outcome.kind = RunOutcome::READ_FAILED;
  outcome.error = std::move(error);
  return outcome;
}

// The first bytes of a table (and the last of a compressed one), outside
// any batch.
void putBytes(OrderedOutput& output, std::string_view bytes, const RunOptions& options) {
  BatchResult result;
  if (options.compression < 0 || bytes == BGZF_EOF_BLOCK) result.bytes = bytes;
  else if (!BgzfCompressor(options.compression).appendBlocks(bytes, result.bytes)) throw std::bad_alloc();
  if (!bytes.empty()) output.put(output.number(), std::move(result));
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
    reading = found.at >= 0 && found.at < found.count ? Reading::WHOLE : Reading::TRUSTED;
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
    putBytes(output, BGZF_EOF_BLOCK, options);
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
