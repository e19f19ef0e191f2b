#include "app/run_control.h"
#include "listing/cds_record.h"
#include "listing/listing_line.h"

#include <cstring>
#include <string>

namespace {

constexpr size_t NAME_START = 6;    // just after "#gene=" and "#file="
constexpr size_t CONTIG_START = 8;  // just after "#contig="

[[noreturn]] void refuseCds(int32_t index, const char* problem) {
  haltWith("CDS " + std::to_string(index + 1) + " " + problem + ".");
}

// Names are taken from a fixed column whatever the key says; the zero-filled
// record terminates them.
template <size_t SIZE>
void copyName(const std::string& line, char (&name)[SIZE], int32_t index, const char* what) {
  if (line.size() <= NAME_START) return;
  size_t length = line.size() - NAME_START;
  if (length > SIZE - 1) refuseCds(index, what);
  std::memcpy(name, line.data() + NAME_START, length);
}

void readContig(const std::string& line, CdsRecord& record, int32_t index) {
  int64_t value = 0;
  for (size_t k = CONTIG_START; k < line.size() && line[k] >= '0' && line[k] <= '9'; ++k) {
    value = value * 10 + (line[k] - '0');
    if (value > MAX_POSITION) refuseCds(index, "HAS A CONTIG NUMBER ABOVE 2147483647");
  }
  record.contig = static_cast<int32_t>(value);
}

}  // namespace

void readCdsData() {
  // The table comes zero-filled from allocateRecords, so nothing is reset here.
  std::string line;
  for (int32_t i = 0; i < nCds; ++i) {
    prefetchRecord(i + 2);  // each record takes five line reads, so two ahead is far enough
    CdsRecord& record = records[i];
    readListingLine(inputStream, line);
    if (line.find("complement") != std::string::npos) record.isComplement = 1;
    if (const char* problem = parseLocation(line, record)) refuseCds(i, problem);
    readListingLine(inputStream, line);
    copyName(line, record.gene, i, "HAS A GENE NAME LONGER THAN 60 CHARACTERS");
    readListingLine(inputStream, line);
    copyName(line, record.file, i, "HAS A FILE NAME LONGER THAN 60 CHARACTERS");
    readListingLine(inputStream, line);
    readContig(line, record, i);
    readListingLine(inputStream, line);
  }
  if (inputStream.bad()) haltWith(std::string("PROBLEM READING THE FILE ") + inputName + ".");
}
