#include "app/command_line.h"

#include "app/cli_options.h"
#include "app/messages.h"
#include "app/progress_line.h"
#include "app/signal_cleanup.h"
#include "app/summary_output.h"
#include "io/file_listing.h"
#include "run/detect_format.h"
#include "run/make_table.h"
#include "io/table_file.h"

#include <algorithm>
#include <map>
#include <memory>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
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

// The name a message gives an input.
std::string inputName(const std::string& given) { return given == "-" ? "standard input" : given; }

// The source file name of an annotation: its base name as given.
std::string baseName(const std::string& given) {
  const size_t slash = given.rfind('/');
  return slash == std::string::npos ? given : given.substr(slash + 1);
}

InputFormat formatNamed(const std::string& name) {
  if (name == "genbank") return InputFormat::GENBANK;
  if (name == "embl") return InputFormat::EMBL;
  if (name == "gff3") return InputFormat::GFF3;
  if (name == "gtf") return InputFormat::GTF;
  return InputFormat::LISTING;
}

// Opens every input; they stay open for the run (and its second reading).
// False, having said why, when one cannot be.
bool openInputs(const CliOptions& options, std::vector<std::unique_ptr<FileListing>>& files,
                std::vector<RunInput>& inputs) {
  // A pan-genome is thousands of files, all held open.
  struct rlimit files_limit;
  if (getrlimit(RLIMIT_NOFILE, &files_limit) == 0 && files_limit.rlim_cur < files_limit.rlim_max) {
    files_limit.rlim_cur = files_limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files_limit);
  }
  std::string error;
  for (const std::string& given : options.inputs) {
    const int fd = given == "-" ? STDIN_FILENO : open(given.c_str(), O_RDONLY | O_CLOEXEC);
    files.push_back(std::make_unique<FileListing>());
    if (fd < 0 || !files.back()->open(fd, temporaryFolder(), error, given != "-")) {
      say(inputName(given) + ": " + (fd < 0 ? std::strerror(errno) : error));
      return false;
    }
    inputs.push_back({files.back().get(), formatNamed(options.from), ""});
  }
  return true;
}

// Tells what each input holds, and names an annotation's source file. False,
// having said why, when an input cannot be read or two annotations share a
// name.
bool tellFormats(const CliOptions& options, std::vector<RunInput>& inputs) {
  std::string error;
  std::map<std::string, std::string> annotations;  // source file name to the input that has it
  for (size_t k = 0; k < inputs.size(); ++k) {
    RunInput& input = inputs[k];
    const std::string& given = options.inputs[k];
    if (options.from.empty() && !detectFormat(*input.bytes, true, input.format, error)) {
      say(inputName(given) + ": " + error);
      return false;
    }
    if (input.format == InputFormat::LISTING) continue;
    input.fileName = !options.name.empty() ? options.name : given == "-" ? "-" : baseName(given);
    // The table tells source files apart by name alone.
    auto [other, isNew] = annotations.emplace(input.fileName, given);
    if (!isNew) {
      say(other->second + " and " + given + " have one name, " + input.fileName +
          ", and the table tells source files apart by name; rename one");
      return false;
    }
  }
  return true;
}

int run(const CliOptions& options) {
  // Before any temporary file exists: none is ever left by a signal.
  watchSignals();
  const std::string tableName = options.output == "-" ? "standard output" : options.output;
  std::string error;
  std::vector<std::unique_ptr<FileListing>> files;
  std::vector<RunInput> inputs;
  if (!openInputs(options, files, inputs)) return EXIT_RUN_FAILED;
  auto nameOf = [&options](size_t input) { return inputName(options.inputs[input]); };
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
    if (options.output == "-" && table.canTakeBack()) noteTableInPlace(STDOUT_FILENO, table.startOffset());
    if (!opened) {
      takeBackOutputs(table, summary);
      say(error);
      return EXIT_RUN_FAILED;
    }
  }
  // After the outputs are checked: telling reads the inputs, which a pipe may be slow to give.
  if (!tellFormats(options, inputs)) {
    takeBackOutputs(table, summary);
    return EXIT_RUN_FAILED;
  }
  ProgressLine progress(!options.quiet);
  RunOptions runOptions;
  runOptions.format = options.format;
  runOptions.decompress = true;
  runOptions.threads = options.threads > 0 ? options.threads : availableCores();
  runOptions.compression = options.level;
  runOptions.neighbours = options.neighbours;
  runOptions.summaries = summary.summaries();
  runOptions.progress = [&progress](const RunProgress& p) { progress.show(p); };
  RunOutcome outcome;
  std::string failure;
  std::vector<std::string> said;
  said.reserve(2 + inputs.size());
  try {
    outcome = makeTable(inputs, table, runOptions);
    progress.clear();
    switch (outcome.kind) {
      case RunOutcome::READ_FAILED: failure = nameOf(outcome.input) + ": " + outcome.error; break;
      case RunOutcome::REFUSED:
        if (outcome.line == 0)
          failure = nameOf(outcome.input) + ": CDS " + std::to_string(outcome.refusedCds) + " " + problemText(outcome.problem);
        else
          failure = nameOf(outcome.input) + ":" + std::to_string(outcome.line) + ": CDS " + problemText(outcome.problem) +
                    (outcome.problem == Problem::FILE_NAME_TOO_LONG ? " (the input's name); rename the file or give --name" : "");
        break;
      case RunOutcome::BAD_INPUT:
        failure = nameOf(outcome.input) + ":" + std::to_string(outcome.line) + ": " + outcome.error;
        break;
      case RunOutcome::WRITE_FAILED:
        // A reader of standard output that went away (`tarn2 L | head`) wants no more: no message.
        if (!table.readerGone()) failure = tableName + ": " + outcome.error;
        break;
      case RunOutcome::DONE:
        // What is said of a run that succeeds is made before the outputs are
        // put in place: nothing can fail after that.
        for (size_t input : outcome.withoutCds)
          if (!options.quiet)
            said.push_back(nameOf(input) + ": no CDS found; not a listing, GenBank, EMBL, GFF3 or GTF file?");
        if (!options.quiet && outcome.returnsAt > 0)
          said.push_back((inputs.size() == 1 ? nameOf(0) : std::string("the inputs")) + ": source file " + outcome.returningFile + " comes back at CDS " +
                         std::to_string(outcome.returnsAt) + " after other files; its CDSs are taken together");
        if (!options.quiet)
          said.push_back(std::to_string(outcome.nCds) + " CDSs in " +
                         (inputs.size() == 1 ? nameOf(0) : std::to_string(inputs.size()) + " inputs") + ", " +
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
