#pragma once
// Runs the built tarn2 in a folder of its own, as a script would.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <sys/wait.h>

// A fresh, empty folder under the system's temporary folder.
inline std::string makeScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarn2-e2e-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make a scratch folder";
  return pattern;
}

inline void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// The regular files of `folder` by name, with their bytes.
inline std::map<std::string, std::string> filesIn(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ostringstream bytes;
    if (entry.is_regular_file()) files[entry.path().filename()] = (bytes << std::ifstream(entry.path()).rdbuf(), bytes.str());
  }
  return files;
}

struct Ran {
  int status;
  std::string out, err;
};

// Runs the shell `script` in `folder`, where `tarn2` names the built program
// (and $TARN2 its path, for what a shell function cannot do), with `input`
// on standard input and, unless `fileBlocks` is negative, each file written
// limited to that many blocks of 512 bytes. The input and the
// standard error lie beside the folder, so that it holds only what the
// program left; standard output is a pipe, which no file size limit covers.
inline Ran runInFolder(const std::string& folder, const std::string& script, const std::string& input,
                       int fileBlocks = -1) {
  writeFile(folder + ".in", input);
  const std::string limit = fileBlocks < 0 ? "" : "ulimit -f " + std::to_string(fileBlocks) + " && ";
  const std::string command = "cd '" + folder + "' && ulimit -c 0 && " + limit + "TARN2='" TARN2_PATH
                              "' && tarn2() { timeout 120 \"$TARN2\" \"$@\"; } && { " + script + "\n} < '" + folder +
                              ".in' 2> '" + folder + ".err'";
  FILE* out = popen(command.c_str(), "r");
  Ran ran{-1, "", ""};
  char buffer[4096];
  for (size_t n; out != nullptr && (n = fread(buffer, 1, sizeof buffer, out)) > 0;) ran.out.append(buffer, n);
  const int status = out != nullptr ? pclose(out) : -1;
  ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ostringstream err;
  err << std::ifstream(folder + ".err").rdbuf();
  ran.err = err.str();
  std::filesystem::remove(folder + ".in");
  std::filesystem::remove(folder + ".err");
  return ran;
}

// The dialog with `answers` typed: its console, which must end with status 0.
inline std::string runTarn2(const std::string& folder, const std::string& answers, int fileBlocks = -1) {
  Ran ran = runInFolder(folder, "tarn2", answers, fileBlocks);
  EXPECT_EQ(ran.status, 0) << ran.err;
  return ran.out;
}
