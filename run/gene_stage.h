#pragma once
// The second half of a run: analyses batches of CDSs and writes their genes'
// entries in the order the batches were sent, on a thread of its own when it
// can have one, so that reading and parsing go on meanwhile.

#include "listing/cds_store.h"
#include "lookup/file_summary.h"
#include "lookup/table_writer.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

class GeneStage {
 public:
  // On one thread when `threaded` is false or no thread can be started.
  // `summaries`, when set, gets each source file's summary in order.
  GeneStage(TableWriter& writer, std::vector<FileSummary>* summaries, bool threaded);
  ~GeneStage();
  GeneStage(const GeneStage&) = delete;
  GeneStage& operator=(const GeneStage&) = delete;

  // Takes the CDSs of `store`, leaving it empty for reuse.
  void send(CdsStore& store);
  // A write has failed: what is sent from then on is dropped.
  bool failed() const { return failed_; }
  // Waits until everything sent is written; rethrows what the thread threw.
  void close();

 private:
  void take(CdsStore& store);
  void stop();
  void work();

  TableWriter& writer_;
  std::vector<FileSummary>* summaries_;
  std::thread worker_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<CdsStore> queue_;
  std::vector<CdsStore> spare_;  // emptied stores, kept for their capacity
  bool closing_ = false;
  std::atomic<bool> failed_ = false;
  std::exception_ptr thrown_;
};
