// Runs every case of tests/e2e/cases (see case_file.h); a case with a "not
// under sanitizers" section is skipped in a sanitizer build. A given file without
// an expect section must be left unchanged, and no other file may appear. A
// case with a "command" section runs that shell line instead of the dialog
// and compares its "stdout" and "stderr".

#include "tests/e2e/case_file.h"
#include "tests/e2e/run_tarn2.h"
#include "tests/in_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(CASES_DIR))
    if (entry.path().extension() == ".case") names.push_back(entry.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

class DialogCase : public testing::TestWithParam<std::string> {};

TEST_P(DialogCase, ConsoleAndFilesMatch) {
  std::map<std::string, std::string> sections = readCase(GetParam()), files;
#ifdef TARN2_SANITIZED
  // A sanitizer reserves far more address space than the limits such a case sets.
  if (sections.count("not under sanitizers")) GTEST_SKIP();
#endif
  const std::string folder = makeScratchFolder();
  for (const auto& [header, text] : sections) {
    if (header.rfind("given folder ", 0) == 0) fs::create_directory(folder + "/" + header.substr(13));
    else if (header.rfind("given ", 0) == 0) writeFile(folder + "/" + header.substr(6), files[header.substr(6)] = text);
  }
  for (const auto& [header, text] : sections)
    if (header.rfind("expect ", 0) == 0) files[header.substr(7)] = text;
  if (sections.count("command")) {
    // A command-line case: its standard output and error, status 0 unless
    // the script prints statuses itself.
    const Ran ran = runInFolder(folder, sections["command"], "");
    EXPECT_EQ(ran.out, sections["stdout"]);
    EXPECT_EQ(ran.err, sections["stderr"]);
    EXPECT_EQ(ran.status, 0);
  } else {
    ASSERT_TRUE(sections.count("console")) << "the case has no console section";
    EXPECT_EQ(runTarn2(folder, sections["answers"]), sections["console"]);
  }
  EXPECT_EQ(filesIn(folder), files);
  fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Cases, DialogCase, testing::ValuesIn(caseNames()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

// Runs stopped after G leave the table empty: a refusal that comes after
// more than one batch of the table went out, and a write that a file size
// limit makes fail.
TEST(StoppedRun, ReportsAndLeavesTheTableEmpty) {
  std::string refused;  // more than a batch of entries goes out before the refusal
  for (int k = 0; k < 5000; ++k)
    refused += group(std::to_string(10 * k + 1) + ".." + std::to_string(10 * k + 5), std::to_string(k), "a.gb");
  refused += group("1..2", "b", "b.gb") + group("1..2", std::string(61, 'g'), "b.gb");
  const std::string reading = "Reading CDS data from in", written = "\nCalculating gene spacing\nLooking for multiple "
                              "listings and alternative CDSs\nWriting lookup table: out.t2\n";
  const std::tuple<std::string, int, std::string> cases[] = {
      {refused, -1, reading + "\a\nCDS 5002 HAS A GENE NAME LONGER THAN 60 CHARACTERS.\nREZI2_d1 halted.\n"},
      {group("1..2", "a"), 0, reading + written + "\a\nPROBLEM WRITING THE FILE out.t2.\nREZI2_d1 halted.\n"}};
  for (const auto& [listing, fileBlocks, tail] : cases) {
    const std::string folder = makeScratchFolder();
    writeFile(folder + "/in", listing);
    const std::string console = runTarn2(folder, "in\nout\nG\n", fileBlocks);
    EXPECT_EQ(console.substr(std::min(console.find(reading), console.size())), tail);
    EXPECT_EQ(filesIn(folder), (std::map<std::string, std::string>{{"in", listing}, {"out.t2", ""}}));
    fs::remove_all(folder);
  }
}

}  // namespace
