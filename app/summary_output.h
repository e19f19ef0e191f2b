#pragma once
// Where a command-line run puts its per-file summaries: PREFIX_summary_mqc.tsv
// and PREFIX_gaps_mqc.tsv, each written to a temporary file beside it and
// renamed onto it only once both are whole, so that a failed run leaves
// neither, nor a temporary file.

#include "lookup/file_summary.h"

#include <string>
#include <vector>

class SummaryOutput {
 public:
  ~SummaryOutput();
  // No summary with an empty prefix. An existing file is replaced only with
  // `force`; false with `error` set when one exists without it.
  bool open(const std::string& prefix, bool force, std::string& error);
  // Where the run gathers the summaries; null when none are wanted.
  std::vector<FileSummary>* summaries() { return wanted_ ? &summaries_ : nullptr; }
  // Writes both files to their temporaries; false with `error` set on failure.
  bool prepare(std::string& error);
  // Renames both into place; false with `error` set on failure.
  bool commit(std::string& error);

 private:
  bool wanted_ = false;
  std::vector<FileSummary> summaries_;
  std::string names_[2];      // the summary table, the gaps table
  std::string temporaries_[2];  // beside them, until renamed
};
