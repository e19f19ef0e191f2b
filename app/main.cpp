// TARN2: turns a CDS listing into a lookup table with one entry per gene.
// Without arguments it is the console dialog; with them, one run for a
// pipeline.

#include "app/command_line.h"
#include "app/dialog.h"

#include <csignal>
#include <malloc.h>
#include <cstdio>
#include <new>

int main(int argc, char** argv) {
  // A file size limit makes a write fail (EFBIG), reported as any failed
  // write, instead of killing the process with a table half written.
  std::signal(SIGXFSZ, SIG_IGN);
  // Blocks of listing and batches of table, a few MB each, come and go on
  // every thread: kept in the heap rather than handed back to the system,
  // they cost no page faults the next time round.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  // A heap per thread would keep each thread's high-water mark: memory would
  // grow with the threads, not with the blocks in flight. Allocations are
  // few and large, so two heaps are little contended.
  mallopt(M_ARENA_MAX, 2);
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
  } catch (const std::exception& e) {
    // No failure the program knows ends here; should one, it is said, not hidden.
    if (argc > 1) {
      std::fprintf(stderr, "tarn2: %s\n", e.what());
      return 1;
    }
    haltWith(e.what());
  }
}
