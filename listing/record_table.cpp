#include "app/run_control.h"
#include "listing/cds_record.h"

#include <cstdint>
#include <cstdlib>

#include <sys/mman.h>

CdsRecord* records = nullptr;
int32_t nCds = 0;

void allocateRecords() {
  // calloc refuses a size that cannot be represented; an empty table still
  // gets a valid pointer.
  records = static_cast<CdsRecord*>(std::calloc(nCds > 0 ? nCds : 1, sizeof(CdsRecord)));
  if (records == nullptr) haltWith("NOT ENOUGH MEMORY.");
  // A large table is touched record by record, 4 KB apart: in huge pages it
  // costs far fewer page faults and TLB misses. Only advice; failure is harmless.
  constexpr uintptr_t HUGE_PAGE = 2 << 20;
  uintptr_t begin = (reinterpret_cast<uintptr_t>(records) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
  uintptr_t end = (reinterpret_cast<uintptr_t>(records + nCds)) & ~(HUGE_PAGE - 1);
  if (begin < end) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}
