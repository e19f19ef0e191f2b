#include "app/cli_options.h"

#include <cstdlib>
#include <cstring>

#include <getopt.h>

const char CLI_USAGE[] =
    "Usage: tarn2                       the console dialog\n"
    "       tarn2 [OPTIONS] LISTING     one run, no questions\n"
    "\n"
    "Turns a CDS listing into a lookup table with one entry per gene.\n"
    "\n"
    "  LISTING                   the CDS listing; \"-\" reads standard input; gzip, BGZF, xz, zstd and\n"
    "                            bzip2 are recognised by their content (also on standard input)\n"
    "  -o, --output FILE         write the table to FILE; \"-\" or no -o: standard output; a FILE\n"
    "                            ending in .gz is written compressed (BGZF)\n"
    "  -f, --force               replace FILE if it exists (without it an existing FILE is an error)\n"
    "  -t, --format t2|tsv       table format (default t2: the eleven-line entries)\n"
    "  -z, --compress            write the table compressed (BGZF), also on standard output\n"
    "      --level 0-9           compression level (default 1; 0 stores, 9 is smallest and slowest)\n"
    "  -@, --threads N           threads in all (default: every core the process may use)\n"
    "  -q, --quiet               no summary on standard error\n"
    "      --summary PREFIX      also write PREFIX_summary_mqc.tsv and PREFIX_gaps_mqc.tsv: figures per\n"
    "                            source file, for R, pandas or MultiQC (replaced only with --force)\n"
    "  -h, --help                usage on standard output, exit 0\n"
    "  -V, --version             \"tarn2 VERSION\" on standard output, exit 0\n"
    "Exit status: 0 the table was written whole; 1 the run failed; 2 a usage error.\n";

namespace {

constexpr int MAX_THREADS = 1024;  // beyond any machine's cores: a typing slip, not a wish

enum LongOnly { SUMMARY = 256, LEVEL };

// The option getopt stopped at: optopt names a short one even inside a
// bundle such as -xq; a long one is named by its word.
std::string offendingOption(char** argv) {
  return optopt != 0 && optopt < 256 ? std::string("-") + static_cast<char>(optopt) : std::string(argv[optind - 1]);
}

// A whole number from `low` to `high`, nothing else around it.
bool wholeNumber(const char* text, int low, int high, int& value) {
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || n < low || n > high) return false;
  value = static_cast<int>(n);
  return true;
}

bool endsWith(const std::string& text, const char* end) {
  const size_t n = std::strlen(end);
  return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

}  // namespace

Parsed parseCliOptions(int argc, char** argv, CliOptions& options, std::string& error) {
  static const option longOptions[] = {
      {"output", required_argument, nullptr, 'o'},   {"force", no_argument, nullptr, 'f'},
      {"format", required_argument, nullptr, 't'},   {"quiet", no_argument, nullptr, 'q'},
      {"help", no_argument, nullptr, 'h'},           {"version", no_argument, nullptr, 'V'},
      {"compress", no_argument, nullptr, 'z'},       {"threads", required_argument, nullptr, '@'},
      {"summary", required_argument, nullptr, SUMMARY}, {"level", required_argument, nullptr, LEVEL},
      {nullptr, 0, nullptr, 0}};
  opterr = 0;  // the messages below replace getopt's own
  optind = 1;
  bool compress = false;
  int level = DEFAULT_LEVEL;
  bool levelGiven = false;
  for (int c; (c = getopt_long(argc, argv, ":o:ft:qhVz@:", longOptions, nullptr)) != -1;) {
    switch (c) {
      case 'o':
        if (*optarg == '\0') return error = "option '-o' needs a file name, not an empty one", Parsed::BAD;
        options.output = optarg;
        break;
      case 'f': options.force = true; break;
      case 'q': options.quiet = true; break;
      case 'z': compress = true; break;
      case 'h': return Parsed::HELP;
      case 'V': return Parsed::VERSION;
      case SUMMARY:
        if (*optarg == '\0') return error = "option '--summary' needs a prefix, not an empty one", Parsed::BAD;
        options.summaryPrefix = optarg;
        break;
      case '@':
        if (!wholeNumber(optarg, 1, MAX_THREADS, options.threads))
          return error = std::string("option '-@' needs a number of threads from 1 to ") +
                         std::to_string(MAX_THREADS) + ", not '" + optarg + "'",
                 Parsed::BAD;
        break;
      case LEVEL:
        if (!wholeNumber(optarg, 0, 9, level))
          return error = std::string("option '--level' needs a level from 0 to 9, not '") + optarg + "'", Parsed::BAD;
        levelGiven = true;
        break;
      case 't':
        if (std::strcmp(optarg, "t2") == 0) options.format = TableFormat::T2;
        else if (std::strcmp(optarg, "tsv") == 0) options.format = TableFormat::TSV;
        else return error = std::string("unknown table format '") + optarg + "' (t2 or tsv)", Parsed::BAD;
        break;
      case ':': return error = "option '" + offendingOption(argv) + "' needs a value", Parsed::BAD;
      default: return error = "unknown option '" + offendingOption(argv) + "'", Parsed::BAD;
    }
  }
  compress = compress || endsWith(options.output, ".gz");
  if (levelGiven && !compress)
    return error = "option '--level' is for a compressed table (-z, or -o NAME.gz)", Parsed::BAD;
  options.level = compress ? level : -1;
  if (optind == argc) error = "no listing given";
  else if (argc - optind > 1) error = "one listing at a time, not " + std::to_string(argc - optind);
  else options.listing = argv[optind];
  return error.empty() ? Parsed::RUN : Parsed::BAD;
}
