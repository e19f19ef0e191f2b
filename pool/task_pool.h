#pragma once
// The threads of a run: one pool, sized once, shared by every stage that can
// work in parallel (decompressing, parsing, analysing, compressing).

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class TaskPool {
 public:
  // A pool of `threads` in all: the caller's own thread and threads - 1
  // workers. A worker that the system will not start is done without, down
  // to the caller alone; the work is the same, only slower.
  explicit TaskPool(int threads);
  // Runs what is still queued, then stops the workers.
  ~TaskPool();
  TaskPool(const TaskPool&) = delete;
  TaskPool& operator=(const TaskPool&) = delete;

  // Threads that can work at once, the caller's included.
  int threads() const { return static_cast<int>(workers_.size()) + 1; }
  // Queues `task` for a worker; with no worker, runs it at once. A task
  // must not throw: it hands what went wrong to whoever waits for it.
  void submit(std::function<void()> task);
  // Runs body(k) for every k in [0, n) on the workers and the caller, and
  // returns when every one has run; rethrows the first exception thrown.
  void parallelFor(size_t n, const std::function<void(size_t)>& body);
  // Runs the oldest queued task in the caller's thread, so that a caller
  // waiting for the pool's work helps with it; false when none is queued.
  bool runOne();

 private:
  void work();

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<std::function<void()>> queue_;
  bool stopping_ = false;
};
