// Hostile input, end to end: listings and answers a careless or broken
// upstream could hand the program. Every run is checked on its whole console
// output and on every file it leaves: the table's bytes (or its emptiness
// after a refusal), the listing as it was, nothing else.

#include "tests/e2e/run_tarn2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::string_literals;  // listings with NUL bytes in them

namespace {

const std::string kListing = "in.listing";
const std::string kOutput = "out";
const std::string kAnswers = kListing + "\n" + kOutput + "\nG\n";
constexpr int64_t kNoNeighbour = 10000000;  // the space the table gives a gene with no neighbour
constexpr int64_t kMaxValue = 2147483647;
// The cleared screen and the two questions of the dialog; answers are not echoed.
const std::string kAskInput = std::string(50, '\n') + "\nName of input file (product of TARN1): ";
const std::string kAskOutput = "\nName of output file(.t2 suffix added): ";

// ---- listings and tables ----

std::string group(const std::string& location, const std::string& gene, const std::string& file,
                  const std::string& contig, const std::string& closing = "end") {
  return "#CDS=" + location + "\n#gene=" + gene + "\n#file=" + file + "\n#contig=" + contig + "\n" + closing + "\n";
}

struct Entry {
  std::string location{};  // after "#CDS="
  std::string gene{};
  std::string file{};
  int64_t contig = 0;
  int64_t first = 0;  // altCDSFirst
  int64_t last = 0;   // altCDSLast
  int64_t before = kNoNeighbour;
  int64_t after = kNoNeighbour;
  int64_t nListings = 1;
  int64_t nAlt = 0;
};

std::string entry(const Entry& e) {
  return "#CDS=" + e.location + "\n#gene=" + e.gene + "\n#nListings=" + std::to_string(e.nListings) +
         "\n#nAlt=" + std::to_string(e.nAlt) + "\n#file=" + e.file + "\n#contig=" + std::to_string(e.contig) +
         "\n#beforeSpace=" + std::to_string(e.before) + "\n#afterSpace=" + std::to_string(e.after) +
         "\n#altCDSFirst=" + std::to_string(e.first) + "\n#altCDSLast=" + std::to_string(e.last) +
         "\n************\n";
}

// "join(a..b,...)" of n segments, the k-th from 10k+1 to 10k+5, with `padding`
// after every comma.
std::string joinOf(int n, const std::string& padding = "") {
  std::string location = "join(";
  for (int k = 0; k < n; ++k) {
    if (k > 0) location += "," + padding;
    location += std::to_string(10 * k + 1) + ".." + std::to_string(10 * k + 5);
  }
  return location + ")";
}

std::string repeat(const std::string& text, size_t times) {
  std::string out;
  out.reserve(text.size() * times);
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

// Two genes on one contig, the second with a name of the full 60 characters,
// and the table they make.
const std::string kNameB = "abcB" + std::string(56, 'x');
const std::string kTwoGenes = group("complement(join(<1..100,200..>300))", "abcA", "chr1.gb", "3") +
                              group("400..450", kNameB, "chr1.gb", "3");
const std::string kTwoGenesTable =
    entry({.location = "complement(join(<1..100,200..300>))", .gene = "abcA", .file = "chr1.gb", .contig = 3,
           .first = 1, .last = 300, .after = 99}) +
    entry({.location = "400..450", .gene = kNameB, .file = "chr1.gb", .contig = 3, .first = 400, .last = 450,
           .before = 99});

// ---- expected console ----

std::string completed(int nCds, int nGenes) { return completedRun(kListing, kOutput, nCds, nGenes); }

// A run halted while the listing is read.
std::string refused(int nCds, const std::string& message) {
  return acceptedDialog(kListing, kOutput) + messagesThroughReading(kListing, kOutput, nCds) + "\a\n" + message +
         "\nREZI2_d1 halted.\n";
}

// ---- running and checking ----

// Byte comparison that stays readable (and quick) when a file is megabytes long.
void expectBytes(const std::string& actual, const std::string& expected, const std::string& what) {
  if (actual.size() < 20000 && expected.size() < 20000) {
    EXPECT_EQ(actual, expected) << what;
    return;
  }
  auto differ = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  EXPECT_TRUE(actual == expected) << what << ": " << actual.size() << " bytes, expected " << expected.size()
                                  << "; first difference at byte " << (differ.first - actual.begin());
}

// The folder must hold exactly these regular files, with these bytes.
void expectFiles(const std::string& folder, const std::map<std::string, std::string>& expected) {
  std::map<std::string, std::string> left = filesIn(folder);
  for (const auto& [name, bytes] : left)
    EXPECT_TRUE(expected.count(name)) << "unexpected file " << name;
  for (const auto& [name, bytes] : expected) {
    auto found = left.find(name);
    if (found == left.end()) {
      ADD_FAILURE() << name << " was not left";
      continue;
    }
    expectBytes(found->second, bytes, "bytes of " + name);
  }
}

// Runs a whole run on `listing` and checks the console, the table left and
// that the listing was not written to.
void expectRun(const std::string& what, const std::string& listing, const std::string& console,
               const std::string& table) {
  SCOPED_TRACE(what);
  std::string folder = makeScratchFolder();
  writeFile(folder + "/" + kListing, listing);
  EXPECT_EQ(runTarn2(folder, kAnswers), console);
  expectFiles(folder, {{kListing, listing}, {kOutput + ".t2", table}});
  fs::remove_all(folder);
}

// runTarn2 with every file the program writes limited to `maxFileBytes`. The
// console goes to a pipe, which the limit does not cover; SIGXFSZ is ignored
// so that a write past the limit fails with EFBIG instead of killing.
// Runs tarn2 with one resource limit lowered (RLIMIT_FSIZE, RLIMIT_AS).
std::string runTarn2WithLimit(const std::string& folder, const std::string& answers, int resource, rlim_t value) {
  const std::string answersPath = folder + ".answers";
  writeFile(answersPath, answers);
  int console[2];
  if (pipe(console) != 0) {
    ADD_FAILURE() << "cannot make a pipe";
    return "";
  }
  pid_t child = fork();
  if (child == 0) {
    int in = open(answersPath.c_str(), O_RDONLY);
    if (in < 0 || dup2(in, STDIN_FILENO) < 0 || dup2(console[1], STDOUT_FILENO) < 0 || chdir(folder.c_str()) != 0)
      _exit(126);
    close(in);
    close(console[0]);
    close(console[1]);
    rlimit limit{value, value};
    if (setrlimit(resource, &limit) != 0) _exit(126);
    std::signal(SIGXFSZ, SIG_IGN);
    alarm(120);  // a hung run is killed, as runTarn2's timeout does
    execl(TARN2_PATH, TARN2_PATH, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(console[1]);
  std::string output;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(console[0], buffer, sizeof buffer);
    if (n > 0) output.append(buffer, static_cast<size_t>(n));
    else if (n == 0 || errno != EINTR) break;
  }
  close(console[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  fs::remove(answersPath);
  return output;
}

// ---- cases ----

TEST(HostileInput, ListingsWithoutGroupsGiveAnEmptyTable) {
  expectRun("empty file", "", completed(0, 0), "");
  expectRun("blank lines", "\n\n\r\n \n\t\n\n", completed(0, 0), "");
}

TEST(HostileInput, NulEndsALineAndOtherBytesPassThrough) {
  // A NUL hides the rest of its line: the second range of the location, the
  // tail of the gene name and of the contig, and a "#CDS=" that would add a CDS.
  // Bytes that are neither digits nor line ends are skipped in a location and
  // kept in names.
  const std::string listing = "#CDS=10..20\0,30..40\n#gene=ab\0cd\n#file=f\xff\xfe.gb\n#contig=3\0 7\nend\0#CDS=1\n"s +
                              "#CDS=join(\x01" "25..\xff" "29,\x80" "32)\n#gene=\x7f\x1b[2J\n"
                              "#file=f\xff\xfe.gb\n#contig=3\n\0\0\0\n"s;
  const std::string table =
      entry({.location = "10..20", .gene = "ab", .file = "f\xff\xfe.gb", .contig = 3, .first = 10, .last = 20,
             .after = 4}) +
      entry({.location = "join(25..29,32..32)", .gene = "\x7f\x1b[2J", .file = "f\xff\xfe.gb", .contig = 3,
             .first = 25, .last = 32, .before = 4});
  expectRun("NUL and binary bytes", listing, completed(2, 2), table);
}

TEST(HostileInput, FiveMegabyteLines) {
  // No key anywhere in one long line.
  expectRun("5 MB line without a key", repeat("#CDS:", 1 << 20) + "\n", completed(0, 0), "");

  // 500 segments, the most a location may hold, spread over 5 MB of text.
  const std::string padding = repeat("see note; ", 1048);
  expectRun("5 MB location of 500 segments", group(joinOf(500, padding), "wide", "f.gb", "1"), completed(1, 1),
            entry({.location = joinOf(500), .gene = "wide", .file = "f.gb", .contig = 1, .first = 1, .last = 4995}));

  // A million keys on one line make one CDS whose location has no digits.
  expectRun("a million keys on one line", repeat("#CDS=", 1000000) + "\n#gene=many\n#file=f.gb\n#contig=1\nend\n",
            completed(1, 1), entry({.gene = "many", .file = "f.gb", .contig = 1}));

  expectRun("5 MB gene name",
            group("1..2", "a", "f.gb", "1") + group("3..4", std::string(5 << 20, 'g'), "f.gb", "1"),
            refused(2, "CDS 2 HAS A GENE NAME LONGER THAN 60 CHARACTERS."), "");
}

TEST(HostileInput, LineEndsDoNotChangeTheTable) {
  std::string crlf;
  for (char c : kTwoGenes) crlf += c == '\n' ? "\r\n" : std::string(1, c);
  const std::string withoutLastLine = kTwoGenes.substr(0, kTwoGenes.size() - 4);  // "end\n" dropped
  expectRun("LF", kTwoGenes, completed(2, 2), kTwoGenesTable);
  expectRun("no final LF", kTwoGenes.substr(0, kTwoGenes.size() - 1), completed(2, 2), kTwoGenesTable);
  expectRun("no closing line nor final LF", withoutLastLine.substr(0, withoutLastLine.size() - 1), completed(2, 2),
            kTwoGenesTable);
  // The carriage return before a line feed is no part of the 60-character name.
  expectRun("CRLF", crlf, completed(2, 2), kTwoGenesTable);
  expectRun("CRLF, a final CR without its LF", crlf.substr(0, crlf.size() - 1), completed(2, 2), kTwoGenesTable);
}

TEST(HostileInput, GroupsOutOfStepAreReadByPosition) {
  // A title line is not counted but is read as line 1 of the first group, so
  // each value comes from the line above its own: the title's "1" makes a
  // location, "#CDS=" lines make gene names (from index 6), gene lines make
  // file names, file lines make contig 0. The last closing line is never read.
  expectRun("title line", "CDS listing of chr1\n" + kTwoGenes, completed(2, 2),
            entry({.location = "1..1", .gene = "omplement(join(<1..100,200..>300))", .file = "abcA", .first = 1,
                   .last = 1}) +
                entry({.gene = "00..450", .file = kNameB}));

  // Keys in two closing lines make four CDSs out of two groups; the two
  // records read past the end are empty and form one gene of empty name.
  expectRun("keys in closing lines",
            group("complement(join(<1..100,200..>300))", "abcA", "chr1.gb", "3", "end #CDS= here") +
                group("400..450", kNameB, "chr1.gb", "3", "#CDS="),
            completed(4, 3), kTwoGenesTable + entry({.nListings = 2}));
}

TEST(HostileInput, ValuesAtTheirLimitsAreKept) {
  const std::string name60(60, 'g');
  const std::string file60(60, 'f');
  // Leading zeros do not push a number over the limit. Both CDSs end at the
  // top of the range: the one inside the other overlaps it (-1), and an equal
  // last position is no downstream neighbour.
  expectRun("largest values", group("2147483647", name60, file60, "0002147483647") +
                                  group("complement(0..2147483647)", "b", file60, "2147483647"),
            completed(2, 2),
            entry({.location = "2147483647..2147483647", .gene = name60, .file = file60, .contig = kMaxValue,
                   .first = kMaxValue, .last = kMaxValue, .before = -1}) +
                entry({.location = "complement(0..2147483647)", .gene = "b", .file = file60, .contig = kMaxValue,
                       .first = 0, .last = kMaxValue}));
}

TEST(HostileInput, ValuesPastTheirLimitsAreRefused) {
  struct Case {
    const char* what;
    std::string group;  // the second of three groups
    std::string message;
  };
  const Case cases[] = {
      {"61-character gene name", group("3..4", std::string(61, 'g'), "f.gb", "1"),
       "CDS 2 HAS A GENE NAME LONGER THAN 60 CHARACTERS."},
      {"61-character file name", group("3..4", "b", std::string(61, 'f'), "1"),
       "CDS 2 HAS A FILE NAME LONGER THAN 60 CHARACTERS."},
      {"position 2147483648", group("3..2147483648", "b", "f.gb", "1"), "CDS 2 HAS A POSITION ABOVE 2147483647."},
      {"30-digit position", group("3.." + std::string(30, '9'), "b", "f.gb", "1"),
       "CDS 2 HAS A POSITION ABOVE 2147483647."},
      {"contig 2147483648", group("3..4", "b", "f.gb", "2147483648"), "CDS 2 HAS A CONTIG NUMBER ABOVE 2147483647."},
      {"501 segments", group(joinOf(501), "b", "f.gb", "1"), "CDS 2 HAS MORE THAN 500 SEGMENTS."},
  };
  for (const Case& c : cases)
    expectRun(c.what, group("1..2", "a", "f.gb", "1") + c.group + group("5..6", "c", "f.gb", "1"),
              refused(3, c.message), "");
}

TEST(HostileInput, ManyListingsOfOneGene) {
  expectRun("100,000 identical listings", repeat(group("join(1..10,20..30)", "dup", "f.gb", "1"), 100000),
            completed(100000, 1),
            entry({.location = "join(1..10,20..30)", .gene = "dup", .file = "f.gb", .contig = 1, .first = 1,
                   .last = 30, .nListings = 100000}));

  // 200 distinct locations, then a repeat of the 151st: known, though it lies
  // beyond the first 150 variants.
  std::string listing;
  for (int k = 0; k < 200; ++k)
    listing += group(std::to_string(10 * k + 1) + ".." + std::to_string(10 * k + 5), "alt", "f.gb", "1");
  listing += group("1501..1505", "alt", "f.gb", "1");
  expectRun("200 alternatives", listing, completed(201, 1),
            entry({.location = "1..5", .gene = "alt", .file = "f.gb", .contig = 1, .first = 1, .last = 1995,
                   .nListings = 201, .nAlt = 199}));
}

TEST(HostileInput, DialogRefusesWhatCannotBeUsedAndLosesNothing) {
  const std::string cannotOpen = "\aPROBLEM OPENING THE FILE dir.\nTHE FILE MAY NOT EXIST.\nTYPE Q <enter> TO QUIT\n"
                                 "OR TYPE C <enter> TO CONTINUE.> ";
  auto mayExist = [](const std::string& name) {
    return "\aTHE FILE " + name + " MAY ALREADY EXIST.\nTYPE Q <enter> TO QUIT \nOR N <enter> FOR NEW FILENAME.> ";
  };
  {
    SCOPED_TRACE("a directory as the listing");
    std::string folder = makeScratchFolder();
    fs::create_directory(folder + "/dir");
    EXPECT_EQ(runTarn2(folder, "dir\nQ\n"), kAskInput + cannotOpen + "REZI2_d1 halted.\n");
    expectFiles(folder, {});
    fs::remove_all(folder);
  }
  {
    SCOPED_TRACE("an output in a folder that does not exist");
    std::string folder = makeScratchFolder();
    writeFile(folder + "/" + kListing, kTwoGenes);
    EXPECT_EQ(runTarn2(folder, kListing + "\nnowhere/out\nQ\n"),
              kAskInput + kAskOutput + mayExist("nowhere/out.t2") + "REZI2_d1 halted.\n");
    expectFiles(folder, {{kListing, kTwoGenes}});
    EXPECT_FALSE(fs::exists(folder + "/nowhere"));
    fs::remove_all(folder);
  }
  {
    // The listing's own name, then another existing file, typed as the
    // output: both refused and left whole, and the run goes on to a new name.
    SCOPED_TRACE("existing files as the output");
    std::string folder = makeScratchFolder();
    writeFile(folder + "/in.t2", kTwoGenes);
    writeFile(folder + "/out.t2", "precious\n");
    const std::string run = completedRun("in.t2", "new", 2, 2);
    EXPECT_EQ(runTarn2(folder, "in.t2\nin\nN\nout\nN\nnew\nG\n"),
              kAskInput + kAskOutput + mayExist("in.t2") + kAskOutput + mayExist("out.t2") +
                  run.substr(kAskInput.size()));
    expectFiles(folder, {{"in.t2", kTwoGenes}, {"out.t2", "precious\n"}, {"new.t2", kTwoGenesTable}});
    fs::remove_all(folder);
  }
}

TEST(HostileInput, FailedWriteIsReportedNotClaimedDone) {
  constexpr rlim_t kLimit = 300;
  ASSERT_GT(kTwoGenesTable.size(), kLimit) << "the table must not fit under the limit";
  std::string folder = makeScratchFolder();
  writeFile(folder + "/" + kListing, kTwoGenes);
  const std::string after = messagesAfterReading(kOutput, 2, 2);
  EXPECT_EQ(runTarn2WithLimit(folder, kAnswers, RLIMIT_FSIZE, kLimit),
            acceptedDialog(kListing, kOutput) + messagesThroughReading(kListing, kOutput, 2) +
                after.substr(0, after.find("\nREZI2_d1 done.")) + "\a\nPROBLEM WRITING THE FILE out.t2.\n" +
                "REZI2_d1 halted.\n");
  // What the limit let through is the start of the table, nothing more.
  expectFiles(folder, {{kListing, kTwoGenes}, {kOutput + ".t2", kTwoGenesTable.substr(0, kLimit)}});
  fs::remove_all(folder);
}

TEST(HostileInput, TableTooLargeForMemoryHalts) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
  // 100,000 records need over 400 MB; the address space is held to 256 MB.
  std::string folder = makeScratchFolder();
  const std::string listing = repeat("#CDS=\n", 100000);
  writeFile(folder + "/" + kListing, listing);
  EXPECT_EQ(runTarn2WithLimit(folder, kAnswers, RLIMIT_AS, 256u << 20),
            acceptedDialog(kListing, kOutput) + "\nDetermining number of CDSs listed in " + kListing +
                "\nAllocating memory for 100000 CDSs from " + kListing + "\a\nNOT ENOUGH MEMORY.\nREZI2_d1 halted.\n");
  expectFiles(folder, {{kListing, listing}, {kOutput + ".t2", ""}});
  fs::remove_all(folder);
}

// Runs tarn2 with the answers up to the menu, makes `change` with the shell
// once the menu is shown, then answers G; returns the console output.
std::string runTarn2ChangingFilesAtMenu(const std::string& folder, const std::string& change) {
  const std::string console = folder + ".console";
  const std::string fifo = folder + ".fifo";
  const std::string script = "cd '" + folder + "' && mkfifo '" + fifo + "' && { timeout 120 '" TARN2_PATH "' < '" +
                             fifo + "' > '" + console + "' & } && exec 3> '" + fifo + "' && printf '" + kListing +
                             "\\n" + kOutput + "\\n' >&3 && until grep -q 'to quit. > ' '" + console +
                             "'; do sleep 0.05; done && " + change + " && printf 'G\\n' >&3 && exec 3>&- && wait";
  EXPECT_EQ(std::system(script.c_str()), 0) << script;
  std::string output = readFile(console);
  fs::remove(console);
  fs::remove(fifo);
  return output;
}

// Files can change between the dialog's checks and G: the run must say it
// cannot open them rather than report a run that read or wrote nothing.
TEST(HostileInput, FilesGoneBeforeTheRunAreReported) {
  const std::string menu = acceptedDialog(kListing, kOutput);
  const std::string counting = "\nDetermining number of CDSs listed in " + kListing;
  const std::string reopening = messagesThroughReading(kListing, kOutput, 2);
  const std::string beforeReading = reopening.substr(0, reopening.find("\nReading"));

  std::string folder = makeScratchFolder();
  writeFile(folder + "/" + kListing, kTwoGenes);
  EXPECT_EQ(runTarn2ChangingFilesAtMenu(folder, "rm " + kListing),
            menu + counting + "\a\nPROBLEM OPENING THE FILE " + kListing + ".\nREZI2_d1 halted.\n");
  expectFiles(folder, {{kOutput + ".t2", ""}});
  fs::remove_all(folder);

  folder = makeScratchFolder();
  writeFile(folder + "/" + kListing, kTwoGenes);
  EXPECT_EQ(runTarn2ChangingFilesAtMenu(folder, "rm out.t2 && mkdir out.t2"),
            menu + beforeReading + "\a\nPROBLEM OPENING THE FILE out.t2.\nREZI2_d1 halted.\n");
  expectFiles(folder, {{kListing, kTwoGenes}});
  fs::remove_all(folder);
}

}  // namespace
