#pragma once
// The one mechanism by which a run works on many threads: an ordered
// pipeline. A source makes pieces; each stage after it is either serial (one
// piece at a time, in the order the pieces were made, and may turn one piece
// into none or several) or parallel (any piece on any thread, one piece in,
// the same piece out). Every stage sees the pieces in the order the source
// made them, as pigz, minimap2's kt_pipeline and htslib's thread pool do.
//
// How work is known to be done, in one place: a piece is in flight from the
// source to the last stage; the source makes pieces only while fewer than
// `limit` are in flight, which bounds memory; the run ends when the source
// has ended and nothing is in flight, or as soon as a stage has thrown or
// asked to stop and no stage is still working. The threads wait on one
// condition, signalled whenever a piece moves; nothing polls. run() returns
// only when every thread it started has ended, on every way out, so no work
// outlives what it touches. The first exception a stage throws is rethrown
// by run().

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

template <class Piece>
class Pipeline {
 public:
  // What a serial stage or the source hands on to the next stage, and how a
  // stage ends the run early: stop() drops every piece in flight (a failed
  // write); endSource() makes no more but lets those in flight through (a
  // listing found not grouped, whose batches already made still go out, so
  // that a write that fails shows).
  class Emit {
   public:
    void operator()(Piece piece) { out_.push_back(std::move(piece)); }
    void stop() { stop_ = true; }
    void endSource() { endSource_ = true; }

   private:
    friend class Pipeline;
    std::vector<Piece> out_;
    bool stop_ = false;
    bool endSource_ = false;
  };

  using Source = std::function<bool(Emit&)>;          // false once it has made its last piece
  using Serial = std::function<void(Piece&, Emit&)>;  // the last stage emits nothing
  using Parallel = std::function<void(Piece&)>;

  Pipeline(Source source, size_t limit) : source_(std::move(source)), limit_(limit) {}
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  Pipeline& serial(Serial work) { return add(std::move(work)); }
  Pipeline& parallel(Parallel work) { return add(std::move(work)); }

  // Runs on the calling thread and up to threads - 1 more; a thread that the
  // system will not start is done without, down to the caller alone: the
  // pieces and their order are the same, only slower. False when a stage
  // asked to stop.
  bool run(int threads) {
    std::vector<std::thread> helpers;
    struct Joiner {
      std::vector<std::thread>& threads;
      ~Joiner() {
        for (std::thread& t : threads) t.join();
      }
    } joiner{helpers};
    for (int k = 1; k < threads; ++k) {
      try {
        helpers.reserve(static_cast<size_t>(threads) - 1);
        helpers.emplace_back([this] { work(); });
      } catch (...) {
        break;  // no more threads to be had (a process or memory limit)
      }
    }
    work();
    for (std::thread& t : helpers) t.join();
    helpers.clear();
    if (thrown_) std::rethrow_exception(thrown_);
    return !stopped_;
  }

 private:
  struct Step {
    std::variant<Serial, Parallel> work;
    std::map<uint64_t, Piece> waiting;  // pieces for this stage by number
    uint64_t next = 0;                  // serial: the number it takes next
    uint64_t made = 0;                  // serial: numbers handed on so far
    bool busy = false;                  // serial: a thread is at it
  };

  template <class Work>
  Pipeline& add(Work work) {
    steps_.emplace_back();
    steps_.back().work = std::move(work);
    return *this;
  }

  static constexpr size_t SOURCE = SIZE_MAX;

  // The stage a thread should work at next, the later stages first so that
  // pieces leave before more come in; SOURCE, or steps_.size() for none.
  size_t pick() {
    if (stopped_ || thrown_) return steps_.size();
    for (size_t s = steps_.size(); s-- > 0;) {
      Step& step = steps_[s];
      if (step.waiting.empty()) continue;
      if (std::holds_alternative<Parallel>(step.work)) return s;
      if (!step.busy && step.waiting.begin()->first == step.next) return s;
    }
    if (!sourceBusy_ && !sourceEnded_ && inFlight_ < limit_) return SOURCE;
    return steps_.size();
  }

  bool finished() const {
    return working_ == 0 && (stopped_ || thrown_ || (sourceEnded_ && inFlight_ == 0));
  }

  // Puts what a serial stage (or the source, s == SOURCE) emitted into the
  // next stage, numbered on from its last.
  void handOn(size_t s, Emit& emit) {
    const size_t to = s == SOURCE ? 0 : s + 1;
    uint64_t& made = s == SOURCE ? sourceMade_ : steps_[s].made;
    if (to == steps_.size()) {
      emit.out_.clear();  // the last stage hands nothing on
    } else {
      for (Piece& piece : emit.out_) {
        steps_[to].waiting.emplace(made++, std::move(piece));
        ++inFlight_;
      }
    }
    if (emit.stop_) stopped_ = true;
    if (emit.endSource_) sourceEnded_ = true;
  }

  void work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      const size_t s = pick();
      if (s == steps_.size()) {
        if (finished()) {
          moved_.notify_all();
          return;
        }
        moved_.wait(lock);
        continue;
      }
      ++working_;
      Emit emit;
      try {
        if (s == SOURCE) {
          sourceBusy_ = true;
          lock.unlock();
          const bool more = source_(emit);
          lock.lock();
          sourceBusy_ = false;
          sourceEnded_ = sourceEnded_ || !more;
          handOn(s, emit);
        } else {
          Step& step = steps_[s];
          auto first = step.waiting.begin();
          const uint64_t number = first->first;
          Piece piece = std::move(first->second);
          step.waiting.erase(first);
          if (auto* serial = std::get_if<Serial>(&step.work)) {
            step.busy = true;
            lock.unlock();
            (*serial)(piece, emit);
            lock.lock();
            step.busy = false;
            ++step.next;
            --inFlight_;
            handOn(s, emit);
          } else {
            lock.unlock();
            std::get<Parallel>(step.work)(piece);
            lock.lock();
            if (s + 1 < steps_.size()) steps_[s + 1].waiting.emplace(number, std::move(piece));
            else --inFlight_;
          }
        }
      } catch (...) {
        if (!lock.owns_lock()) lock.lock();
        if (!thrown_) thrown_ = std::current_exception();
      }
      --working_;
      moved_.notify_all();
    }
  }

  Source source_;
  size_t limit_;
  std::vector<Step> steps_;
  std::mutex mutex_;
  std::condition_variable moved_;  // a piece moved, a stage ended, or the run ends
  size_t inFlight_ = 0;            // pieces made and not yet through the last stage
  int working_ = 0;                // threads at a stage now
  uint64_t sourceMade_ = 0;
  bool sourceBusy_ = false;
  bool sourceEnded_ = false;
  bool stopped_ = false;
  std::exception_ptr thrown_;
};
