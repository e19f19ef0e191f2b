#include "run/gather.h"

#include <algorithm>
#include <utility>

namespace {

constexpr size_t BATCH_CDS = 4096;  // a batch takes whole source files until it holds this many CDSs

// The CDSs a listing that ends before its count lacks: empty ones.
FileRun padding(int64_t n) {
  FileRun run;
  run.store.cds.assign(static_cast<size_t>(n), Cds{0, 0, 0, 0, 0, 0, 0});  // name 0 is the empty name
  run.groups = n;
  return run;
}

}  // namespace

bool FileOrder::starts(const std::string& file, ListingCount& count) {
  if (any_ && file == current_) return false;
  if (any_) finished_.insert(std::move(current_));
  any_ = true;
  current_ = file;
  if (finished_.count(file) != 0 && count.cameBackAt < 0) {
    count.cameBackAt = count.groups;
    count.cameBack = file;
  }
  return true;
}

int64_t dropLast(Together& runs, int64_t excess) {
  int64_t dropped = 0;
  while (dropped < excess && !runs.empty()) {
    CdsStore& store = runs.back().store;
    const int64_t cut = std::min<int64_t>(excess - dropped, static_cast<int64_t>(store.cds.size()));
    store.cds.resize(store.cds.size() - static_cast<size_t>(cut));
    dropped += cut;
    if (store.cds.empty()) runs.pop_back();
  }
  return dropped;
}

void LookGather::take(ParsedBlock& block) {
  count.countBlock(block);
  if (count.refused >= 0) return;  // only the count matters now
  for (const FileRun& run : block.runs) {
    order_.starts(run.file, count);
    count.groups += run.groups;
  }
  if (block.refused >= 0) {
    count.refused = count.groups;
    count.problem = block.problem;
  }
}

void LookGather::finish() {
  if (count.refused >= 0 || count.count <= count.groups) return;
  order_.starts(std::string(), count);
  count.groups = count.count;
}

void GroupedGather::endFile() {
  if (file_.empty()) return;
  for (const FileRun& run : file_) batchCds_ += run.store.cds.size();
  batch_.push_back(std::move(file_));
  file_.clear();
  batchEnd_ = count.groups;
}

void GroupedGather::send(bool evenIfSmall, std::vector<Piece>& ready) {
  if (batch_.empty() || (!evenIfSmall && sentAny_ && batchCds_ < BATCH_CDS) || batchEnd_ > count.count) return;
  sentAny_ = true;
  ready.emplace_back();
  ready.back().files = std::move(batch_);
  batch_.clear();
  batchCds_ = 0;
}

bool GroupedGather::take(ParsedBlock& block, std::vector<Piece>& ready) {
  count.countBlock(block);
  if (count.refused >= 0) return true;  // only the count matters now
  for (FileRun& run : block.runs) {
    const int64_t before = count.cameBackAt;
    if (order_.starts(run.file, count)) {
      if (before != count.cameBackAt && stopAtComeback_) return false;
      endFile();
      send(false, ready);
    }
    count.groups += run.groups;
    file_.push_back(std::move(run));
  }
  if (block.refused >= 0) {  // the groups before it are all in the runs
    count.refused = count.groups;
    count.problem = block.problem;
  }
  return true;
}

bool GroupedGather::finish(std::vector<Piece>& ready) {
  if (count.refused < 0 && count.count > count.groups) {
    FileRun pad = padding(count.count - count.groups);
    const int64_t before = count.cameBackAt;
    if (order_.starts(pad.file, count)) {
      if (before != count.cameBackAt && stopAtComeback_) return false;
      endFile();
    }
    count.groups = count.count;
    file_.push_back(std::move(pad));
  }
  // Drop what lies past the count, from the last run held back.
  int64_t excess = count.groups - count.count;
  excess -= dropLast(file_, excess);
  while (excess > 0 && !batch_.empty()) {
    excess -= dropLast(batch_.back(), excess);
    if (batch_.back().empty()) batch_.pop_back();
  }
  count.groups = std::min(count.groups, count.count);
  batchEnd_ = std::min(batchEnd_, count.count);
  endFile();
  send(true, ready);
  return true;
}

void WholeGather::take(ParsedBlock& block) {
  count.countBlock(block);
  if (count.refused >= 0) return;
  // One copy of the listing, not one per block.
  for (FileRun& run : block.runs) {
    all_.store.append(run.store);
    count.groups += run.groups;
  }
  if (block.refused >= 0) {
    count.refused = count.groups;
    count.problem = block.problem;
  }
}

CdsStore WholeGather::finish() {
  if (count.refused < 0 && count.count > count.groups) all_.store.append(padding(count.count - count.groups).store);
  if (count.groups > count.count) {
    Together runs;
    runs.push_back(std::move(all_));
    dropLast(runs, count.groups - count.count);
    all_ = runs.empty() ? FileRun() : std::move(runs.front());  // none left: an empty store, not a moved-from one
  }
  count.groups = std::min(count.groups, count.count);
  return std::move(all_.store);
}
