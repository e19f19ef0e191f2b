#include "app/cli_options.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <getopt.h>

const char CLI_USAGE[] =
    "Usage: tarn2                       the console dialog\n"
    "       tarn2 [OPTIONS] INPUT...    one run, no questions\n"
    "\n"
    "Turns CDS listings and annotations into a lookup table with one entry per gene.\n"
    "\n"
    "  INPUT                     a CDS listing, or a GenBank, EMBL, GFF3 or GTF annotation, told by\n"
    "                            content; \"-\" reads standard input; gzip, BGZF, xz, zstd and bzip2 are\n"
    "                            recognised by their content; several make one table, in order\n"
    "      --from FORMAT         read every input as listing, genbank, embl, gff3 or gtf\n"
    "      --name NAME           the source file name of an annotation on standard input (default \"-\")\n"
    "  -o, --output FILE         write the table to FILE; \"-\" or no -o: standard output; a FILE\n"
    "                            ending in .gz is written compressed (BGZF)\n"
    "  -f, --force               replace FILE if it exists (without it an existing FILE is an error)\n"
    "  -t, --format t2|tsv       table format (default t2: the eleven-line entries)\n"
    "      --neighbours          tsv: also each gene's strand and its neighbours, named, with signed gaps\n"
    "  -z, --compress            write the table compressed (BGZF), also on standard output\n"
    "      --level 0-9           compression level (default 1; 0 stores, 9 is smallest and slowest)\n"
    "  -@, --threads N           threads in all (default: every core the process may use)\n"
    "  -q, --quiet               no summary on standard error\n"
    "      --summary PREFIX      also write PREFIX_summary_mqc.tsv, PREFIX_gaps_mqc.tsv and\n"
    "                            PREFIX_strand_gaps_mqc.tsv: figures per source file, for R, pandas or\n"
    "                            MultiQC (replaced only with --force)\n"
    "  -h, --help                usage on standard output, exit 0\n"
    "  -V, --version             \"tarn2 VERSION\" on standard output, exit 0\n"
    "Exit status: 0 the table was written whole; 1 the run failed; 2 a usage error.\n";

namespace {

constexpr int MAX_THREADS = 1024;  // beyond any machine's cores: a typing slip, not a wish

enum LongOnly { SUMMARY = 256, LEVEL, FROM, NAME, NEIGHBOURS };

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
      {"from", required_argument, nullptr, FROM},       {"name", required_argument, nullptr, NAME},
      {"neighbours", no_argument, nullptr, NEIGHBOURS},
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
      case FROM:
        if (std::strcmp(optarg, "listing") != 0 && std::strcmp(optarg, "genbank") != 0 &&
            std::strcmp(optarg, "embl") != 0 && std::strcmp(optarg, "gff3") != 0 && std::strcmp(optarg, "gtf") != 0)
          return error = std::string("unknown input format '") + optarg + "' (listing, genbank, embl, gff3 or gtf)",
                 Parsed::BAD;
        options.from = optarg;
        break;
      case NAME:
        if (*optarg == '\0') return error = "option '--name' needs a name, not an empty one", Parsed::BAD;
        options.name = optarg;
        break;
      case NEIGHBOURS: options.neighbours = true; break;
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
  if (options.neighbours && options.format != TableFormat::TSV)
    return error = "option '--neighbours' is for the tsv table (-t tsv)", Parsed::BAD;
  for (int k = optind; k < argc; ++k) options.inputs.emplace_back(argv[k]);
  if (options.inputs.empty()) return error = "no input given", Parsed::BAD;
  if (std::count(options.inputs.begin(), options.inputs.end(), "-") > 1)
    return error = "standard input (\"-\") is one input, given once", Parsed::BAD;
  if (!options.name.empty() && options.inputs.size() > 1)
    return error = "option '--name' is for one input alone", Parsed::BAD;
  return Parsed::RUN;
}
