#pragma once
// What a signal that ends a run must not leave behind: a temporary table
// file, and a progress line on the terminal.

#include <string>

// From now on every signal that would end the process and can be caught
// first removes `temporaryPath` (when not empty) and clears the progress
// line if one is shown, then ends the process as the signal would have.
void cleanUpOnSignals(const std::string& temporaryPath);
// The progress line is shown (true) or cleared (false).
void noteProgressLine(bool shown);
// The temporary file is gone or in place: nothing to remove any more.
void forgetTemporaryFile();
