// Runs every case of tests/e2e/cases: a small listing, the answers typed, the
// console output expected byte for byte and the files expected afterwards.
//
// A case file starts with a free description, then sections:
//   === given NAME         a file put in the run folder before the run
//   === given folder NAME  a folder put there
//   === answers            what is typed at the console
//   === console            what the console must show
//   === expect NAME        a file's bytes after the run
//   === expect no NAME     a file that must not exist after the run
// Every given file without an expect section must be left unchanged, and no
// other file may appear. In section text {BELL} is the bell, {CR} a carriage
// return, {CLEAR} the 50 line breaks that clear the console, and {NOEOL} at
// the end of a line drops that line's line break.

#include "tests/e2e/run_tarn2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Section {
  std::string kind;  // given, given folder, answers, console, expect, expect no
  std::string name;
  std::string text;
};

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

std::string unescape(std::string text) {
  replaceAll(text, "{NOEOL}\n", "");
  replaceAll(text, "{BELL}", "\a");
  replaceAll(text, "{CR}", "\r");
  replaceAll(text, "{CLEAR}", std::string(50, '\n'));
  return text;
}

std::vector<Section> readCase(const std::string& path) {
  std::vector<Section> sections;
  std::istringstream lines(readFile(path));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("=== ", 0) == 0) {
      std::string header = line.substr(4);
      Section section;
      for (const char* kind : {"given folder ", "expect no ", "given ", "expect "}) {
        if (header.rfind(kind, 0) == 0) {
          section.kind = std::string(kind, std::string(kind).size() - 1);
          section.name = header.substr(section.kind.size() + 1);
          break;
        }
      }
      if (section.kind.empty()) section.kind = header;
      sections.push_back(section);
    } else if (!sections.empty()) {
      sections.back().text += line + "\n";
    }
  }
  for (Section& section : sections) section.text = unescape(section.text);
  return sections;
}

std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(CASES_DIR))
    if (entry.path().extension() == ".case") names.push_back(entry.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

class DialogCase : public testing::TestWithParam<std::string> {};

TEST_P(DialogCase, ConsoleAndFilesMatch) {
  std::vector<Section> sections = readCase(std::string(CASES_DIR) + "/" + GetParam() + ".case");
  std::string folder = makeScratchFolder();
  std::map<std::string, std::string> given;
  std::string answers, console;
  bool hasConsole = false;
  for (const Section& s : sections) {
    if (s.kind == "given") {
      writeFile(folder + "/" + s.name, s.text);
      given[s.name] = s.text;
    } else if (s.kind == "given folder") {
      fs::create_directory(folder + "/" + s.name);
    } else if (s.kind == "answers") {
      answers = s.text;
    } else if (s.kind == "console") {
      console = s.text;
      hasConsole = true;
    }
  }
  ASSERT_TRUE(hasConsole) << "the case has no console section";

  EXPECT_EQ(runTarn2(folder, answers), console);

  std::map<std::string, std::string> left = filesIn(folder);
  std::set<std::string> accounted;
  for (const Section& s : sections) {
    if (s.kind == "expect") {
      accounted.insert(s.name);
      ASSERT_TRUE(left.count(s.name)) << s.name << " was not left";
      EXPECT_EQ(left[s.name], s.text) << "bytes of " << s.name;
    } else if (s.kind == "expect no") {
      accounted.insert(s.name);
      EXPECT_FALSE(left.count(s.name)) << s.name << " should not exist";
    }
  }
  for (const auto& [name, bytes] : given) {
    if (accounted.count(name)) continue;
    accounted.insert(name);
    EXPECT_EQ(left[name], bytes) << name << " was changed";
  }
  for (const auto& [name, bytes] : left) EXPECT_TRUE(accounted.count(name)) << "unexpected file " << name;
  fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Cases, DialogCase, testing::ValuesIn(caseNames()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
