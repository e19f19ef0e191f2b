#include "app/run_control.h"
#include "listing/cds_record.h"

#include <cstdint>
#include <cstdlib>

#include <sys/mman.h>

CdsRecord* records = nullptr;
int32_t nCds = 0;

namespace {

// Every 4 KB page of the table is written by the reader (each record touches
// its first and last bytes), so faulting the pages in with one call saves a
// page fault per page: about a third of the cost of a large table.
// Huge pages were tried and dropped: on virtual machines that hand free
// memory back to the host they made a first run several times slower.
void populate(void* table, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  constexpr uintptr_t PAGE = 4096;
  uintptr_t begin = (reinterpret_cast<uintptr_t>(table) + PAGE - 1) & ~(PAGE - 1);
  uintptr_t end = (reinterpret_cast<uintptr_t>(table) + bytes) & ~(PAGE - 1);
  if (begin < end) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);  // advice only
#else
  (void)table;
  (void)bytes;
#endif
}

}  // namespace

void allocateRecords() {
  // calloc refuses a size that cannot be represented; an empty table still
  // gets a valid pointer.
  records = static_cast<CdsRecord*>(std::calloc(nCds > 0 ? nCds : 1, sizeof(CdsRecord)));
  if (records == nullptr) haltWith("NOT ENOUGH MEMORY.");
  populate(records, static_cast<size_t>(nCds) * sizeof(CdsRecord));
}
