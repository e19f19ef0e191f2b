#include "app/run_control.h"
#include "listing/cds_record.h"

#include <cstdlib>

CdsRecord* records = nullptr;
int32_t nCds = 0;

void allocateRecords() {
  // calloc refuses a size that cannot be represented; an empty table still
  // gets a valid pointer. Huge pages were tried and dropped: on virtual
  // machines that hand free memory back to the host they made a first run
  // several times slower.
  records = static_cast<CdsRecord*>(std::calloc(nCds > 0 ? nCds : 1, sizeof(CdsRecord)));
  if (records == nullptr) haltWith("NOT ENOUGH MEMORY.");
}
