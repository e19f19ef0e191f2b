#include "app/summary_output.h"

#include "lookup/summary_report.h"

bool SummaryOutput::open(const std::string& prefix, bool force, std::string& error) {
  wanted_ = !prefix.empty();
  return !wanted_ || (files_[0].open(prefix + SUMMARY_TABLE_SUFFIX, force, error) &&
                      files_[1].open(prefix + GAPS_TABLE_SUFFIX, force, error) &&
                      files_[2].open(prefix + STRAND_GAPS_TABLE_SUFFIX, force, error));
}

bool SummaryOutput::write(std::string& error) {
  if (!wanted_) return true;
  const std::string bytes[FILES] = {renderSummaryTable(summaries_), renderGapsTable(summaries_),
                                    renderStrandGapsTable(summaries_)};
  for (size_t k = 0; k < FILES; ++k) {
    if (!files_[k].write(bytes[k])) {
      error = files_[k].name() + ": " + files_[k].error();
      return false;
    }
  }
  return true;
}

std::vector<std::string> SummaryOutput::temporaryPaths() const {
  return {files_[0].temporaryPath(), files_[1].temporaryPath(), files_[2].temporaryPath()};
}
