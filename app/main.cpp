// TARN2: turns a CDS listing into a lookup table with one entry per gene.
// Without arguments it is the console dialog.

#include "app/dialog.h"

#include <new>

int main() {
  try {
    return runDialogRun(runMenu());
  } catch (const std::bad_alloc&) {
    haltWith("NOT ENOUGH MEMORY.");
  }
}
