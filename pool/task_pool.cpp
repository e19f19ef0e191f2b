#include "pool/task_pool.h"

#include <atomic>
#include <exception>
#include <memory>
#include <system_error>

TaskPool::TaskPool(int threads) {
  for (int k = 1; k < threads; ++k) {
    try {
      workers_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
      break;  // no more threads to be had (a process or memory limit)
    }
  }
}

TaskPool::~TaskPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  queued_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void TaskPool::submit(std::function<void()> task) {
  if (workers_.empty()) {
    task();
    return;
  }
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(task));
  }
  queued_.notify_one();
}

void TaskPool::work() {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock lock(mutex_);
      queued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;
      task = std::move(queue_.front());
      queue_.pop_front();
    }
    task();
  }
}

bool TaskPool::runOne() {
  std::function<void()> task;
  {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return false;
    task = std::move(queue_.front());
    queue_.pop_front();
  }
  task();
  return true;
}

void TaskPool::parallelFor(size_t n, const std::function<void(size_t)>& body) {
  // The caller takes indexes too, so the loop ends even while every worker is
  // busy with longer tasks.
  struct Shared {
    std::atomic<size_t> next{0};
    std::mutex mutex;
    std::condition_variable finished;
    size_t done = 0;
    std::exception_ptr thrown;
  };
  auto shared = std::make_shared<Shared>();
  auto take = [shared, n, &body] {
    for (size_t k; (k = shared->next.fetch_add(1)) < n;) {
      try {
        body(k);
      } catch (...) {
        std::lock_guard lock(shared->mutex);
        if (!shared->thrown) shared->thrown = std::current_exception();
      }
      std::lock_guard lock(shared->mutex);
      if (++shared->done == n) shared->finished.notify_all();
    }
  };
  const size_t helpers = std::min(n > 0 ? n - 1 : 0, workers_.size());
  for (size_t h = 0; h < helpers; ++h) submit(take);
  take();
  std::unique_lock lock(shared->mutex);
  shared->finished.wait(lock, [&] { return shared->done == n; });
  if (shared->thrown) std::rethrow_exception(shared->thrown);
}
