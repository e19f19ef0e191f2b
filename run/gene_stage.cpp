#include "run/gene_stage.h"

#include "analysis/analyse_genes.h"

#include <system_error>
#include <utility>

namespace {

constexpr size_t BATCHES_IN_FLIGHT = 4;  // bounds the memory the reading thread may run ahead with

}  // namespace

GeneStage::GeneStage(TableWriter& writer, std::vector<FileSummary>* summaries, bool threaded)
    : writer_(writer), summaries_(summaries) {
  if (!threaded) return;
  try {
    worker_ = std::thread([this] { work(); });
  } catch (const std::system_error&) {
    // No thread to be had (a process or memory limit): the run goes on in one.
  }
}

GeneStage::~GeneStage() { stop(); }

void GeneStage::take(CdsStore& store) {
  if (!failed_) {
    const std::vector<GeneEntry> genes = analyseGenes(store);
    if (summaries_ != nullptr) summariseFiles(store, genes, *summaries_);
    if (!writer_.add(store, genes)) failed_ = true;
  }
  store.clear();  // keeps its capacity for the next batch
}

void GeneStage::send(CdsStore& store) {
  if (!worker_.joinable()) {
    take(store);
    return;
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.size() < BATCHES_IN_FLIGHT || failed_; });
  if (!failed_) queue_.push_back(std::move(store));
  if (spare_.empty()) {
    store = CdsStore();
  } else {
    store = std::move(spare_.back());
    spare_.pop_back();
  }
  changed_.notify_all();
}

void GeneStage::stop() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void GeneStage::close() {
  stop();
  if (thrown_) std::rethrow_exception(std::exchange(thrown_, nullptr));
}

void GeneStage::work() {
  try {
    for (;;) {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return !queue_.empty() || closing_; });
      if (queue_.empty()) return;
      CdsStore store = std::move(queue_.front());
      queue_.pop_front();
      changed_.notify_all();
      lock.unlock();
      take(store);
      lock.lock();
      spare_.push_back(std::move(store));
    }
  } catch (...) {
    std::lock_guard lock(mutex_);
    thrown_ = std::current_exception();
    failed_ = true;
    queue_.clear();
    changed_.notify_all();
  }
}
