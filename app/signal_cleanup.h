#pragma once
// What a signal that ends a run must not leave behind: a temporary table
// file, and a progress line on the terminal.

#include <string>
#include <vector>

// From now on every signal that would end the process and can be caught
// first removes the `temporaryPaths` (empty ones aside; three at most) and
// clears the progress line if one is shown, then ends the process as the
// signal would have.
void cleanUpOnSignals(const std::vector<std::string>& temporaryPaths);
// The progress line is shown (true) or cleared (false).
void noteProgressLine(bool shown);
// The temporary files are gone or in place: nothing to remove any more.
void forgetTemporaryFiles();
