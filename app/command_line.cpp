#include "app/command_line.h"

#include "app/cli_options.h"
#include "app/messages.h"
#include "app/progress_line.h"
#include "app/signal_cleanup.h"
#include "app/summary_output.h"
#include "io/file_listing.h"
#include "run/make_table.h"
#include "io/table_file.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#ifndef TARN2_VERSION
#define TARN2_VERSION "unknown"
#endif

namespace {

constexpr int EXIT_RUN_FAILED = 1;
constexpr int EXIT_USAGE = 2;

void say(const std::string& line) { std::fprintf(stderr, "tarn2: %s\n", line.c_str()); }

int usageError(const std::string& what) {
  say(what + "; try 'tarn2 --help'");
  return EXIT_USAGE;
}

// Every core the process may run on: what a run uses unless told.
int availableCores() {
  cpu_set_t cores;
  if (sched_getaffinity(0, sizeof cores, &cores) != 0) return 1;
  return std::max(1, CPU_COUNT(&cores));
}

// Where temporary files go: $TMPDIR, as every tool does, else /tmp.
std::string temporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

// Takes back what a failed run left: temporary files go, and a table
// written on standard output that is a file is cut back to where it began.
void takeBackOutputs(TableFile& table, SummaryOutput& summary) {
  forgetTemporaryFiles();
  if (table.canTakeBack() && table.temporaryPath().empty()) table.takeBack();
  table.abandon();
  for (size_t k = 0; k < SummaryOutput::FILES; ++k) summary.files()[k].abandon();
}

// Puts the table and the summaries in place, all or none; a signal that came
// meanwhile ends the run before anything is put in place.
bool placeOutputs(TableFile& table, SummaryOutput& summary, std::string& error) {
  if (!summary.write(error)) return false;
  TableFile* outputs[1 + SummaryOutput::FILES] = {&table};
  for (size_t k = 0; k < summary.count(); ++k) outputs[1 + k] = &summary.files()[k];
  SignalsHeld held;
  if (held.pending()) return false;  // the handler removes the temporary files once let through
  if (!placeTogether(outputs, 1 + summary.count(), error)) return false;
  forgetTemporaryFiles();
  return true;
}

int run(const CliOptions& options) {
  // Before any temporary file exists: none is ever left by a signal.
  watchSignals();
  const bool fromStdin = options.listing == "-";
  const std::string listingName = fromStdin ? "standard input" : options.listing;
  const std::string tableName = options.output == "-" ? "standard output" : options.output;
  const int listingFd = fromStdin ? STDIN_FILENO : open(options.listing.c_str(), O_RDONLY | O_CLOEXEC);
  std::string error;
  FileListing listing;
  if (listingFd < 0 || !listing.open(listingFd, temporaryFolder(), error)) {
    say(listingName + ": " + (listingFd < 0 ? std::strerror(errno) : error));
    return EXIT_RUN_FAILED;
  }
  TableFile table;
  SummaryOutput summary;
  {
    SignalsHeld held;  // a temporary file is noted as soon as it is made
    if (options.output == "-") table.openOn(STDOUT_FILENO);
    const bool opened = (options.output == "-" || table.open(options.output, options.force, error)) &&
                        summary.open(options.summaryPrefix, options.force, error);
    std::vector<std::string> temporaries = summary.temporaryPaths();
    temporaries.push_back(table.temporaryPath());
    noteTemporaryFiles(temporaries);
    if (!opened) {
      takeBackOutputs(table, summary);
      say(error);
      return EXIT_RUN_FAILED;
    }
  }
  ProgressLine progress(!options.quiet);
  RunOptions runOptions;
  runOptions.format = options.format;
  runOptions.decompress = true;
  runOptions.threads = options.threads > 0 ? options.threads : availableCores();
  runOptions.compression = options.level;
  runOptions.summaries = summary.summaries();
  runOptions.progress = [&progress](const RunProgress& p) { progress.show(p); };
  RunOutcome outcome;
  std::string failure;
  std::vector<std::string> said;
  said.reserve(2);
  try {
    outcome = makeTable(listing, table, runOptions);
    progress.clear();
    switch (outcome.kind) {
      case RunOutcome::READ_FAILED: failure = listingName + ": " + outcome.error; break;
      case RunOutcome::REFUSED:
        failure = listingName + ": CDS " + std::to_string(outcome.refusedCds) + " " + problemText(outcome.problem);
        break;
      case RunOutcome::WRITE_FAILED:
        // A reader of standard output that went away (`tarn2 L | head`) wants no more: no message.
        if (!table.readerGone()) failure = tableName + ": " + outcome.error;
        break;
      case RunOutcome::DONE:
        // What is said of a run that succeeds is made before the outputs are
        // put in place: nothing can fail after that.
        if (!options.quiet && outcome.returnsAt > 0)
          said.push_back(listingName + ": source file " + outcome.returningFile + " comes back at CDS " +
                         std::to_string(outcome.returnsAt) + " after other files; its CDSs are taken together");
        if (!options.quiet)
          said.push_back(std::to_string(outcome.nCds) + " CDSs in " + listingName + ", " +
                         std::to_string(outcome.nGenes) + " genes in " + tableName);
        if (!placeOutputs(table, summary, error)) failure = error.empty() ? "interrupted" : error;
        break;
    }
  } catch (...) {
    progress.clear();
    takeBackOutputs(table, summary);
    throw;  // main says what ran out
  }
  if (outcome.kind != RunOutcome::DONE || !failure.empty()) {
    takeBackOutputs(table, summary);
    if (!failure.empty() && !(outcome.kind == RunOutcome::WRITE_FAILED && table.readerGone())) say(failure);
    return EXIT_RUN_FAILED;
  }
  for (const std::string& line : said) say(line);
  return 0;
}

}  // namespace

int runCommandLine(int argc, char** argv) {
  CliOptions options;
  std::string error;
  switch (parseCliOptions(argc, argv, options, error)) {
    case Parsed::HELP: std::fputs(CLI_USAGE, stdout); break;
    case Parsed::VERSION: std::puts("tarn2 " TARN2_VERSION); break;
    case Parsed::BAD: return usageError(error);
    case Parsed::RUN:
      // A reader of standard output that goes away ends the run through a
      // failed write, not a signal, so that temporary files are removed.
      std::signal(SIGPIPE, SIG_IGN);
      return run(options);
  }
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : EXIT_RUN_FAILED;
}
