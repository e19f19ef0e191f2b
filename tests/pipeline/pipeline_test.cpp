#include "pipeline/pipeline.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// The source makes 0..n-1; a parallel stage squares; a serial stage splits
// each into two; the last stage keeps them in the order they reach it.
struct Ran {
  std::vector<int64_t> out;
  bool finished;     // run() returned true
  std::string threw;  // what run() rethrew
};

constexpr int NONE = -1;

// `throwAt` names a stage (0 source, 1 parallel, 2 serial, 3 last) and the
// piece it throws at; `stopAt` has the serial stage stop at that piece.
Ran run(int threads, int n, int throwStage = NONE, int throwAt = NONE, int stopAt = NONE) {
  Ran result{{}, false, ""};
  int64_t next = 0;
  auto fail = [&](int stage, int64_t piece) {
    if (stage == throwStage && piece == throwAt) throw std::runtime_error("stage " + std::to_string(stage));
  };
  Pipeline<int64_t> pipeline(
      [&](Pipeline<int64_t>::Emit& emit) {
        fail(0, next);
        emit(next++);
        return next < n;
      },
      3);
  pipeline
      .parallel([&](int64_t& x) {
        fail(1, x);
        // Some pieces slower than others, so that pieces finish out of order.
        if (threads > 1 && x % 3 == 0) std::this_thread::sleep_for(std::chrono::microseconds(50));
        x = x * x;
      })
      .serial([&](int64_t& x, Pipeline<int64_t>::Emit& emit) {
        fail(2, x);
        if (stopAt != NONE && x == static_cast<int64_t>(stopAt) * stopAt) emit.stop();
        emit(x), emit(-x);
      })
      .serial([&](int64_t& x, Pipeline<int64_t>::Emit&) {
        fail(3, x);
        result.out.push_back(x);
      });
  try {
    result.finished = pipeline.run(threads);
  } catch (const std::exception& e) {
    result.threw = e.what();
  }
  return result;
}

TEST(Pipeline, PiecesReachEveryStageInOrderOnAnyNumberOfThreads) {
  std::vector<int64_t> expected;
  for (int64_t k = 0; k < 500; ++k) expected.insert(expected.end(), {k * k, -k * k});
  for (int threads : {1, 2, 3, 8}) {
    const Ran r = run(threads, 500);
    EXPECT_EQ(r.out, expected) << threads << " threads";
    EXPECT_TRUE(r.finished);
  }
}

// Every kind of stage throws once: the run ends, every thread joined, and
// the exception comes out of run(); no piece after it reaches the end.
TEST(Pipeline, AStageThatThrowsEndsTheRun) {
  for (int threads : {1, 2, 4})
    for (int stage : {0, 1, 2, 3}) {
      const Ran r = run(threads, 300, stage, stage == 2 || stage == 3 ? 100 * 100 : 100);
      EXPECT_EQ(r.threw, "stage " + std::to_string(stage)) << threads << " threads";
      EXPECT_LE(r.out.size(), 200u) << "stage " << stage;
    }
}

TEST(Pipeline, AStageThatStopsEndsTheRunWithoutError) {
  for (int threads : {1, 2, 4}) {
    const Ran r = run(threads, 300, NONE, NONE, 100);
    EXPECT_FALSE(r.finished);
    EXPECT_EQ(r.threw, "");
    EXPECT_LE(r.out.size(), 200u);
  }
}

}  // namespace
