#pragma once
// The console dialog: the questions, the menu and the run it starts.

#include <string>

// Writes "REZI2_d1 halted." and ends the process with status 0.
[[noreturn]] void halt();
// Writes a bell, a line break and the message, then halts.
[[noreturn]] void haltWith(const std::string& message);

struct DialogNames {
  std::string listing;  // as typed
  std::string table;    // as typed, with ".t2" appended; created empty by the dialog
};

// Asks for both names and shows the menu until G; Q or the end of the console
// input halts.
DialogNames runMenu();

// The run the dialog starts on G, with its progress messages and summary.
// Returns the exit status: 0, as after a halt.
int runDialogRun(const DialogNames& names);
