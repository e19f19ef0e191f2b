#pragma once
// One line on a terminal, rewritten in place, once a run has taken a second.

#include "run/make_table.h"

#include <chrono>

class ProgressLine {
 public:
  // Shown only when `wanted` and standard error is a terminal.
  explicit ProgressLine(bool wanted);
  ~ProgressLine() { clear(); }
  void show(const RunProgress& p);
  void clear();

 private:
  bool shown_;
  bool written_ = false;
  const char* stage_ = nullptr;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_;
};
