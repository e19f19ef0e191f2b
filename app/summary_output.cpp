#include "app/summary_output.h"

#include "app/table_output.h"
#include "lookup/summary_report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

SummaryOutput::~SummaryOutput() {
  for (std::string& path : temporaries_)
    if (!path.empty()) unlink(path.c_str());
}

bool SummaryOutput::open(const std::string& prefix, bool force, std::string& error) {
  wanted_ = !prefix.empty();
  if (!wanted_) return true;
  names_[0] = prefix + SUMMARY_TABLE_SUFFIX;
  names_[1] = prefix + GAPS_TABLE_SUFFIX;
  for (const std::string& name : names_) {
    struct stat info;
    if (!force && stat(name.c_str(), &info) == 0) {
      error = name + ": exists; --force replaces it";
      return false;
    }
  }
  return true;
}

bool SummaryOutput::prepare(std::string& error) {
  if (!wanted_) return true;
  const std::string bytes[2] = {renderSummaryTable(summaries_), renderGapsTable(summaries_)};
  for (int k = 0; k < 2; ++k) {
    const int fd = temporaryBeside(names_[k], temporaries_[k], error);
    if (fd < 0) return false;
    FileSink sink(fd);
    const bool written = sink.write(bytes[k]);
    if (close(fd) != 0 || !written) {
      error = names_[k] + ": " + (written ? std::strerror(errno) : sink.error());
      return false;
    }
  }
  return true;
}

bool SummaryOutput::commit(std::string& error) {
  if (!wanted_) return true;
  for (int k = 0; k < 2; ++k) {
    if (rename(temporaries_[k].c_str(), names_[k].c_str()) != 0) {
      error = names_[k] + ": " + std::strerror(errno);
      return false;
    }
    temporaries_[k].clear();
  }
  return true;
}
