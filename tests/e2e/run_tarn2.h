#pragma once
// Runs the built tarn2 in a folder of its own, as a script would.

#include <map>
#include <string>

// A fresh, empty folder under the system's temporary folder.
std::string makeScratchFolder();
// Runs tarn2 in `folder` with `answers` on standard input; returns everything
// it wrote to standard output. Fails the calling test when it does not end
// with status 0 within two minutes.
std::string runTarn2(const std::string& folder, const std::string& answers);
// Every regular file of `folder` (not below it), by name, with its bytes.
std::map<std::string, std::string> filesIn(const std::string& folder);
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
// What the program prints up to and including its menu prompt for a listing
// and output name accepted at the first try.
std::string acceptedDialog(const std::string& listing, const std::string& output);
// The progress messages of a run from G up to the reading of the listing.
std::string messagesThroughReading(const std::string& listing, const std::string& output, int nCds);
// The messages after reading, down to the summary of a completed run.
std::string messagesAfterReading(const std::string& output, int nCds, int nGenes);
// The whole console output of a run accepted at the first try and completed.
std::string completedRun(const std::string& listing, const std::string& output, int nCds, int nGenes);
