// TARN2: turns a CDS listing into a lookup table with one entry per gene.
// Without arguments it is the console dialog; with them, one run for a
// pipeline.

#include "app/command_line.h"
#include "app/dialog.h"

#include <csignal>
#include <cstdio>
#include <new>

int main(int argc, char** argv) {
  // A file size limit makes a write fail (EFBIG), reported as any failed
  // write, instead of killing the process with a table half written.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    if (argc > 1) return runCommandLine(argc, argv);
    return runDialogRun(runMenu());
  } catch (const std::bad_alloc&) {
    // Running out of memory is reported here, whatever stage it stopped.
    if (argc > 1) {
      std::fputs("tarn2: not enough memory\n", stderr);
      return 1;
    }
    haltWith("NOT ENOUGH MEMORY.");
  }
}
