#pragma once
// Where a command-line run puts its per-file summaries: PREFIX_summary_mqc.tsv
// and PREFIX_gaps_mqc.tsv, each put in place like the table (a temporary
// file beside it, renamed onto it once whole), so that a failed run leaves
// neither, nor a temporary file.

#include "lookup/file_summary.h"
#include "io/table_file.h"

#include <string>
#include <vector>

class SummaryOutput {
 public:
  // No summary with an empty prefix. An existing file is replaced only with
  // `force`; false with `error` set when a file cannot be started.
  bool open(const std::string& prefix, bool force, std::string& error);
  // Where the run gathers the summaries; null when none are wanted.
  std::vector<FileSummary>* summaries() { return wanted_ ? &summaries_ : nullptr; }
  // Writes both files and puts them in place; false with `error` set.
  bool commit(std::string& error);
  // The temporary files, until they are in place.
  std::vector<std::string> temporaryPaths() const;

 private:
  bool wanted_ = false;
  std::vector<FileSummary> summaries_;
  TableFile files_[2];  // the summary table, the gaps table
};
