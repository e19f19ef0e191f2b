#include "app/command_line.h"

#include "app/messages.h"
#include "app/summary_output.h"
#include "app/table_output.h"
#include "app/table_run.h"
#include "listing/file_source.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <getopt.h>
#include <sys/stat.h>
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
      case 'o': options.output = optarg; break;
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
      case ':': error = std::string("option '") + argv[optind - 1] + "' needs a value"; return Parsed::BAD;
      default: error = std::string("unknown option '") + argv[optind - 1] + "'"; return Parsed::BAD;
    }
  }
  if (optind == argc) error = "no listing given";
  else if (argc - optind > 1) error = "one listing at a time, not " + std::to_string(argc - optind);
  else options.listing = argv[optind];
  return error.empty() ? Parsed::RUN : Parsed::BAD;
}

// One line on a terminal, rewritten in place, once a run has taken a second.
class ProgressLine {
 public:
  explicit ProgressLine(bool wanted) : shown_(wanted && isatty(STDERR_FILENO)) {}
  ~ProgressLine() { clear(); }
  void show(const RunProgress& p) {
    if (!shown_) return;
    auto now = std::chrono::steady_clock::now();
    const bool newStage = p.stage != stage_;
    if (now - start_ < std::chrono::seconds(1) || (!newStage && now - last_ < std::chrono::milliseconds(200))) return;
    last_ = now;
    stage_ = p.stage;
    written_ = true;
    if (p.bytesTotal > 0)
      std::fprintf(stderr, "\rtarn2: %s: %d%% of the listing read, %lld CDSs\033[K", p.stage,
                   static_cast<int>(100 * p.bytesRead / p.bytesTotal), static_cast<long long>(p.cdsRead));
    else
      std::fprintf(stderr, "\rtarn2: %s: %lld CDSs read\033[K", p.stage, static_cast<long long>(p.cdsRead));
  }
  void clear() {
    if (written_) std::fputs("\r\033[K", stderr);
    written_ = false;
  }

 private:
  bool shown_;
  bool written_ = false;
  const char* stage_ = nullptr;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_;
};

int run(const Options& options) {
  const bool fromStdin = options.listing == "-";
  const std::string listingName = fromStdin ? "standard input" : options.listing;
  const std::string tableName = options.output == "-" ? "standard output" : options.output;
  int listingFd = fromStdin ? STDIN_FILENO : open(options.listing.c_str(), O_RDONLY);
  struct stat info;
  if (listingFd < 0 || fstat(listingFd, &info) != 0) {
    say(listingName + ": " + std::strerror(errno));
    return EXIT_RUN_FAILED;
  }
  if (S_ISDIR(info.st_mode)) {
    say(listingName + ": is a directory");
    return EXIT_RUN_FAILED;
  }
  // A listing that cannot seek is kept in a temporary file as it is read, in
  // case it has to be read again.
  std::unique_ptr<RewindableSource> listing;
  if (S_ISREG(info.st_mode)) {
    listing = std::make_unique<FileSource>(listingFd);
  } else {
    std::string error;
    int spill = anonymousTemporaryFile(error);
    if (spill < 0) {
      say(error);
      return EXIT_RUN_FAILED;
    }
    listing = std::make_unique<SpillingSource>(listingFd, spill);
  }

  TableOutput output;
  SummaryOutput summary;
  std::string error;
  if (!summary.open(options.summaryPrefix, options.force, error) || !output.open(options.output, options.force, error)) {
    say(error);
    return EXIT_RUN_FAILED;
  }
  ProgressLine progress(!options.quiet);
  RunOptions runOptions;
  runOptions.format = options.format;
  runOptions.decompress = true;
  runOptions.summaries = summary.summaries();
  runOptions.progress = [&progress](const RunProgress& p) { progress.show(p); };
  RunOutcome outcome = makeTable(*listing, output.sink(), runOptions);
  progress.clear();

  switch (outcome.kind) {
    case RunOutcome::READ_FAILED: say(listingName + ": " + outcome.readError); return EXIT_RUN_FAILED;
    case RunOutcome::REFUSED:
      say(listingName + ": CDS " + std::to_string(outcome.refusedCds) + " " + problemText(outcome.problem));
      return EXIT_RUN_FAILED;
    case RunOutcome::WRITE_FAILED:
      say(tableName + ": " + (output.keptAside() ? "cannot keep the table in a temporary file: " : "") +
          output.sink().error());
      return EXIT_RUN_FAILED;
    case RunOutcome::DONE: break;
  }
  bool closedPipe = false;
  if (!summary.prepare(error)) {
    say(error);
    return EXIT_RUN_FAILED;
  }
  if (!output.commit(error, closedPipe)) {
    if (!closedPipe) say(error);
    return EXIT_RUN_FAILED;
  }
  if (!summary.commit(error)) {
    say(error);
    return EXIT_RUN_FAILED;
  }
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
