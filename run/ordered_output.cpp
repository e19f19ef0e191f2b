#include "run/ordered_output.h"

#include <utility>

uint64_t OrderedOutput::number() {
  std::lock_guard lock(mutex_);
  return assigned_++;
}

void OrderedOutput::put(uint64_t number, BatchResult result) {
  std::unique_lock lock(mutex_);
  waiting_.emplace(number, std::move(result));
  if (writing_) return;  // that thread writes this one too when its turn comes
  writing_ = true;
  for (auto next = waiting_.find(next_); next != waiting_.end(); next = waiting_.find(next_)) {
    BatchResult batch = std::move(next->second);
    waiting_.erase(next);
    if (batch.thrown && !thrown_) thrown_ = batch.thrown;
    failed_ = failed_ || batch.thrown;
    const bool write = !failed_;
    lock.unlock();
    const bool wrote = !write || sink_.write(batch.bytes);
    lock.lock();
    if (write && wrote) {
      entries_ += batch.entries;
      if (summaries_ != nullptr) summaries_->insert(summaries_->end(), batch.summaries.begin(), batch.summaries.end());
    }
    failed_ = failed_ || !wrote;
    ++next_;
    written_.notify_all();
  }
  writing_ = false;
}

void OrderedOutput::drain() {
  std::unique_lock lock(mutex_);
  written_.wait(lock, [this] { return next_ == assigned_; });
}

uint64_t OrderedOutput::inFlight() {
  std::lock_guard lock(mutex_);
  return assigned_ - next_;
}

bool OrderedOutput::failed() {
  std::lock_guard lock(mutex_);
  return failed_;
}

void OrderedOutput::rethrow() {
  std::lock_guard lock(mutex_);
  if (thrown_) std::rethrow_exception(std::exchange(thrown_, nullptr));
}

int64_t OrderedOutput::entries() {
  std::lock_guard lock(mutex_);
  return entries_;
}

void OrderedOutput::restart() {
  std::lock_guard lock(mutex_);
  entries_ = 0;
  if (summaries_ != nullptr) summaries_->clear();
}
