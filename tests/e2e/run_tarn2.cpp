#include "tests/e2e/run_tarn2.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string makeScratchFolder() {
  std::string pattern = (fs::temp_directory_path() / "tarn2-e2e-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make a scratch folder";
  return pattern;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::map<std::string, std::string> filesIn(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file()) files[entry.path().filename().string()] = readFile(entry.path().string());
  return files;
}

std::string runTarn2(const std::string& folder, const std::string& answers) {
  // Answers and console output live beside the folder, not in it, so that
  // the folder holds only what the program left.
  std::string answersPath = folder + ".answers";
  std::string consolePath = folder + ".console";
  writeFile(answersPath, answers);
  std::string command = "cd '" + folder + "' && timeout 120 '" TARN2_PATH "' < '" + answersPath + "' > '" +
                        consolePath + "'";
  int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << " from " << command;
  std::string console = readFile(consolePath);
  fs::remove(answersPath);
  fs::remove(consolePath);
  return console;
}

std::string acceptedDialog(const std::string& listing, const std::string& output) {
  const std::string clear(50, '\n');
  return clear + "\nName of input file (product of TARN1): \nName of output file(.t2 suffix added): " + clear +
         "I  Input file:      " + listing + "\nO  Output file:     " + output +
         ".t2\n\nType the letter associated with the\nmenu item you wish to change.\n"
         "\nType G<enter> to run the program or Q<enter> to quit. > ";
}

std::string messagesThroughReading(const std::string& listing, const std::string& output, int nCds) {
  return "\nDetermining number of CDSs listed in " + listing + "\nAllocating memory for " + std::to_string(nCds) +
         " CDSs from " + listing + "\nRe-opening " + listing + " to read CDS data; opening " + output +
         ".t2 for output\nReading CDS data from " + listing;
}

std::string messagesAfterReading(const std::string& output, int nCds, int nGenes) {
  return "\nCalculating gene spacing\nLooking for multiple listings and alternative CDSs\nWriting lookup table: " +
         output + ".t2\n\nREZI2_d1 done.\n" + std::to_string(nCds) + " CDSs in input file.\n" +
         std::to_string(nGenes) + " genes in output file.\n\nSee output file (" + output + ".t2) for details.\n";
}

std::string completedRun(const std::string& listing, const std::string& output, int nCds, int nGenes) {
  return acceptedDialog(listing, output) + messagesThroughReading(listing, output, nCds) +
         messagesAfterReading(output, nCds, nGenes);
}
