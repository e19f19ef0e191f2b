#pragma once
// Where a command-line run puts its per-file summaries: PREFIX_summary_mqc.tsv,
// PREFIX_gaps_mqc.tsv and PREFIX_strand_gaps_mqc.tsv, each written to a temporary file beside it and put
// in place together with the table (placeTogether), so that a failed run
// leaves neither, nor a temporary file.

#include "io/table_file.h"
#include "lookup/file_summary.h"

#include <string>
#include <vector>

class SummaryOutput {
 public:
  static constexpr size_t FILES = 3;  // the summary table, the gaps table, the same-strand gaps table

  // No summary with an empty prefix. An existing file is replaced only with
  // `force`; false with `error` set when a file cannot be started.
  bool open(const std::string& prefix, bool force, std::string& error);
  // Where the run gathers the summaries; null when none are wanted.
  std::vector<FileSummary>* summaries() { return wanted_ ? &summaries_ : nullptr; }
  // Writes both files, to be placed with the table; false with `error` set.
  bool write(std::string& error);
  // The files to place, and how many (0 when none are wanted).
  TableFile* files() { return files_; }
  size_t count() const { return wanted_ ? FILES : 0; }
  // The temporary files, until they are in place.
  std::vector<std::string> temporaryPaths() const;

 private:
  bool wanted_ = false;
  std::vector<FileSummary> summaries_;
  TableFile files_[FILES];
};
