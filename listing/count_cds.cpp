#include "app/run_control.h"
#include "listing/cds_record.h"
#include "listing/listing_line.h"

#include <string>

void countCds() {
  nCds = 0;
  inputStream.clear();
  inputStream.open(inputName);
  if (!inputStream.is_open()) haltWith(std::string("PROBLEM OPENING THE FILE ") + inputName + ".");
  std::string line;
  int64_t count = 0;
  while (readListingLine(inputStream, line)) {
    if (line.find("#CDS=") != std::string::npos) ++count;
  }
  if (inputStream.bad()) haltWith(std::string("PROBLEM READING THE FILE ") + inputName + ".");
  inputStream.close();
  // More records than nCds can count could never be allocated anyway.
  if (count > INT32_MAX) haltWith("NOT ENOUGH MEMORY.");
  nCds = static_cast<int32_t>(count);
}
