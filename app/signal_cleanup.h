#pragma once
// What a signal that ends a run must not leave behind: a temporary table
// file, a replaced file half put back, part of a table on a standard output
// that is a file, and a progress line on the terminal.

#include <csignal>
#include <string>
#include <vector>

// From now on every signal that would end the process and can be caught
// first removes the temporary files noted, cuts the table noted back to
// where it began, clears the progress line if one
// is shown, then ends the process as the signal would have. A signal that
// was ignored when the process started stays ignored.
void watchSignals();

// Holds back every watched signal while it lives: what is done meanwhile
// (a temporary file made and noted, outputs put in place) is not cut in two.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;
  // A held signal is waiting: the run is to end, not to put anything in place.
  bool pending() const;

 private:
  sigset_t before_;
};

// The temporary files to remove (empty ones aside; four at most).
void noteTemporaryFiles(const std::vector<std::string>& paths);
// A table written in place on `fd`, a regular file, from `start` on.
void noteTableInPlace(int fd, long long start);
// The temporary files are gone or in place, and a table written in place is
// whole or cut back: nothing to undo any more.
void forgetTemporaryFiles();
// The progress line is shown (true) or cleared (false).
void noteProgressLine(bool shown);
