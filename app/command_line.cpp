#include "app/command_line.h"

#include "app/messages.h"
#include "app/progress_line.h"
#include "app/signal_cleanup.h"
#include "app/summary_output.h"
#include "run/file_listing.h"
#include "run/make_table.h"
#include "run/table_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <getopt.h>
#include <unistd.h>

#ifndef TARN2_VERSION
#define TARN2_VERSION "unknown"
#endif

namespace {

constexpr int EXIT_RUN_FAILED = 1;
constexpr int EXIT_USAGE = 2;

const char USAGE[] =
    "Usage: tarn2                       the console dialog\n"
    "       tarn2 [OPTIONS] LISTING     one run, no questions\n"
    "\n"
    "Turns a CDS listing into a lookup table with one entry per gene.\n"
    "\n"
    "  LISTING                   the CDS listing; \"-\" reads standard input; gzip-compressed input is\n"
    "                            recognised by its content (also on standard input)\n"
    "  -o, --output FILE         write the table to FILE; \"-\" or no -o: standard output\n"
    "  -f, --force               replace FILE if it exists (without it an existing FILE is an error)\n"
    "  -t, --format t2|tsv       table format (default t2: the eleven-line entries)\n"
    "  -q, --quiet               no summary on standard error\n"
    "      --summary PREFIX      also write PREFIX_summary_mqc.tsv and PREFIX_gaps_mqc.tsv: figures per\n"
    "                            source file, for R, pandas or MultiQC (replaced only with --force)\n"
    "  -h, --help                usage on standard output, exit 0\n"
    "  -V, --version             \"tarn2 VERSION\" on standard output, exit 0\n"
    "Exit status: 0 the table was written whole; 1 the run failed; 2 a usage error.\n";

struct Options {
  std::string listing;
  std::string output = "-";
  bool force = false;
  bool quiet = false;
  std::string summaryPrefix;  // empty: no summary files
  TableFormat format = TableFormat::T2;
};

enum class Parsed { RUN, HELP, VERSION, BAD };

void say(const std::string& line) { std::fprintf(stderr, "tarn2: %s\n", line.c_str()); }

int usageError(const std::string& what) {
  say(what + "; try 'tarn2 --help'");
  return EXIT_USAGE;
}

// The option getopt stopped at: optopt names a short one even inside a
// bundle such as -xq; a long one is named by its word.
std::string offendingOption(char** argv) {
  return optopt != 0 ? std::string("-") + static_cast<char>(optopt) : std::string(argv[optind - 1]);
}

Parsed parseOptions(int argc, char** argv, Options& options, std::string& error) {
  static const option longOptions[] = {
      {"output", required_argument, nullptr, 'o'}, {"force", no_argument, nullptr, 'f'},
      {"format", required_argument, nullptr, 't'}, {"quiet", no_argument, nullptr, 'q'},
      {"help", no_argument, nullptr, 'h'},         {"version", no_argument, nullptr, 'V'},
      {"summary", required_argument, nullptr, 'S'}, {nullptr, 0, nullptr, 0}};
  opterr = 0;  // the messages below replace getopt's own
  optind = 1;
  for (int c; (c = getopt_long(argc, argv, ":o:ft:qhV", longOptions, nullptr)) != -1;) {
    switch (c) {
      case 'o':
        if (*optarg == '\0') {
          error = "option '-o' needs a file name, not an empty one";
          return Parsed::BAD;
        }
        options.output = optarg;
        break;
      case 'f': options.force = true; break;
      case 'q': options.quiet = true; break;
      case 'S':
        options.summaryPrefix = optarg;
        if (options.summaryPrefix.empty()) {
          error = "option '--summary' needs a prefix, not an empty one";
          return Parsed::BAD;
        }
        break;
      case 'h': return Parsed::HELP;
      case 'V': return Parsed::VERSION;
      case 't':
        if (std::strcmp(optarg, "t2") == 0) options.format = TableFormat::T2;
        else if (std::strcmp(optarg, "tsv") == 0) options.format = TableFormat::TSV;
        else {
          error = std::string("unknown table format '") + optarg + "' (t2 or tsv)";
          return Parsed::BAD;
        }
        break;
      case ':':
        error = "option '" + offendingOption(argv) + "' needs a value";
        return Parsed::BAD;
      default:
        error = "unknown option '" + offendingOption(argv) + "'";
        return Parsed::BAD;
    }
  }
  if (optind == argc) error = "no listing given";
  else if (argc - optind > 1) error = "one listing at a time, not " + std::to_string(argc - optind);
  else options.listing = argv[optind];
  return error.empty() ? Parsed::RUN : Parsed::BAD;
}

// Where temporary files go: $TMPDIR, as every tool does, else /tmp.
std::string temporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

int run(const Options& options) {
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
  if (options.output == "-") table.openOn(STDOUT_FILENO);
  if ((options.output != "-" && !table.open(options.output, options.force, error)) ||
      !summary.open(options.summaryPrefix, options.force, error)) {
    say(error);
    return EXIT_RUN_FAILED;
  }
  std::vector<std::string> temporaries = summary.temporaryPaths();
  temporaries.push_back(table.temporaryPath());
  cleanUpOnSignals(temporaries);
  ProgressLine progress(!options.quiet);
  RunOptions runOptions;
  runOptions.format = options.format;
  runOptions.decompress = true;
  runOptions.summaries = summary.summaries();
  runOptions.progress = [&progress](const RunProgress& p) { progress.show(p); };
  const RunOutcome outcome = makeTable(listing, table, runOptions);
  progress.clear();

  std::string failure;
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
      if (!table.commit(error) || !summary.commit(error)) failure = error;
      break;
  }
  forgetTemporaryFiles();
  if (outcome.kind != RunOutcome::DONE || !failure.empty()) {
    table.abandon();
    if (!failure.empty()) say(failure);
    return EXIT_RUN_FAILED;
  }
  if (!options.quiet && outcome.returnsAt > 0)
    say(listingName + ": source file " + outcome.returningFile + " comes back at CDS " +
        std::to_string(outcome.returnsAt) + " after other files; its CDSs are taken together");
  if (!options.quiet)
    say(std::to_string(outcome.nCds) + " CDSs in " + listingName + ", " + std::to_string(outcome.nGenes) +
        " genes in " + tableName);
  return 0;
}

}  // namespace

int runCommandLine(int argc, char** argv) {
  Options options;
  std::string error;
  switch (parseOptions(argc, argv, options, error)) {
    case Parsed::HELP: std::fputs(USAGE, stdout); break;
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
