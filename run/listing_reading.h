#pragma once
// One reading of a listing, on the run's pool: the calling thread reads,
// cuts blocks of whole groups and takes the parsed blocks in order; the pool
// parses blocks and makes batches of whole source files. How it hands on
// what it reads depends on what the run knows of the listing (make_table.h).

#include "io/byte_source.h"
#include "pool/task_pool.h"
#include "run/batch.h"
#include "run/block_cutter.h"
#include "io/listing_source.h"
#include "run/make_table.h"
#include "run/ordered_output.h"
#include "run/parse_block.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

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

struct BlockSlot;  // a block on its way through the parsing tasks

// What one reading found, beyond its outcome.
struct Found {
  bool notGrouped = false;  // STREAM stopped at a file coming back
  std::string file;         // a file coming back, and where (LOOK, STREAM)
  int64_t at = -1;
};

// CDSs are held until they can be sent: when their file has ended and every
// one lies within the count so far (the count only grows, so they stay
// within it).
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
