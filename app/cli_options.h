#pragma once
// The command line's options, as a run takes them.

#include "lookup/table_format.h"

#include <string>
#include <vector>

struct CliOptions {
  std::vector<std::string> inputs;  // "-": standard input
  std::string from;           // the format every input is read in; empty: told by content
  std::string name;           // the source file name of an annotation on standard input
  bool neighbours = false;    // tsv: the neighbour columns
  std::string output = "-";   // "-": standard output
  bool force = false;         // replace an existing table or summary file
  bool quiet = false;         // no summary line, no progress line
  std::string summaryPrefix;  // empty: no summary files
  TableFormat format = TableFormat::T2;
  int threads = 0;            // 0: every core the process may run on
  int level = -1;             // BGZF level of a compressed table; -1: not compressed
};

// The usage text, for --help.
extern const char CLI_USAGE[];

enum class Parsed { RUN, HELP, VERSION, BAD };

// Reads the arguments of main into `options`; BAD with `error` set (a
// usage error) when they make no run.
Parsed parseCliOptions(int argc, char** argv, CliOptions& options, std::string& error);

// How a table is compressed when nothing says otherwise: BGZF level 1,
// about a sixth of the plain table's size in a fraction of level 6's time.
constexpr int DEFAULT_LEVEL = 1;
