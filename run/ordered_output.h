#pragma once
// The table as batches finish: batches are formatted on any thread, in any
// order, and their bytes reach the sink in the order of their numbers, by
// whichever thread finishes the batch that is next in line.

#include "lookup/file_summary.h"
#include "io/table_sink.h"

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// What a batch made: its table bytes (compressed, when the table is), its
// source files' summaries, and how many entries it holds.
struct BatchResult {
  std::string bytes;
  std::vector<FileSummary> summaries;
  int64_t entries = 0;
  std::exception_ptr thrown;  // what stopped the batch, if anything
};

class OrderedOutput {
 public:
  // `summaries`, when set, gets the batches' summaries in order.
  OrderedOutput(TableSink& sink, std::vector<FileSummary>* summaries) : sink_(sink), summaries_(summaries) {}

  // The number the next batch gets.
  uint64_t number();
  // Batch `number` is done: it is written once every batch before it is.
  // After a failed write nothing more is written.
  void put(uint64_t number, BatchResult result);
  // Waits until every numbered batch has been put and written.
  void drain();
  // Batches numbered but not written yet.
  uint64_t inFlight();
  bool failed();
  // Rethrows what a batch threw, if any.
  void rethrow();
  int64_t entries();
  // Forgets what was written, for a sink that took it back.
  void restart();

 private:
  TableSink& sink_;
  std::vector<FileSummary>* summaries_;
  std::mutex mutex_;
  std::condition_variable written_;
  std::map<uint64_t, BatchResult> waiting_;
  uint64_t assigned_ = 0;  // numbers handed out
  uint64_t next_ = 0;      // the number written next
  bool writing_ = false;   // a thread is writing for everyone
  bool failed_ = false;
  std::exception_ptr thrown_;
  int64_t entries_ = 0;
};
