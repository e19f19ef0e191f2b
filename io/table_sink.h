#pragma once
// Where a run's table goes, and whether what was written there can be taken
// back: a file can, a pipe or a terminal cannot.

#include "io/byte_sink.h"

class TableSink : public ByteSink {
 public:
  virtual bool canTakeBack() const = 0;
  // Forgets everything written so far; only when canTakeBack(). False (with
  // error() set) when that fails.
  virtual bool takeBack() = 0;
};
