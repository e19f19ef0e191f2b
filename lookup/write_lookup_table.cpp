#include "app/run_control.h"
#include "listing/cds_record.h"
#include "lookup/lookup_writer.h"

#include <charconv>
#include <string>

namespace {

constexpr size_t WRITE_CHUNK = 1 << 16;  // entries are gathered and written in blocks this size

void appendNumber(std::string& out, int32_t value) {
  char digits[16];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

template <size_t N>
void appendLine(std::string& out, const char (&key)[N], int32_t value) {
  out.append(key, N - 1);
  appendNumber(out, value);
  out += '\n';
}

// The location is rebuilt from the record: the partial marks go before the
// first start and after the last end, wherever the listing had them.
void appendLocation(std::string& out, const CdsRecord& r) {
  out += "#CDS=";
  if (r.isComplement) out += "complement(";
  if (r.nSegments > 1) out += "join(";
  if (r.partialLeft) out += '<';
  for (int32_t s = 0; s < r.nSegments; ++s) {
    if (s > 0) out += ',';
    appendNumber(out, r.segments[s].start);
    out += "..";
    appendNumber(out, r.segments[s].end);
  }
  if (r.partialRight) out += '>';
  if (r.nSegments > 1) out += ')';
  if (r.isComplement) out += ')';
  out += '\n';
}

void appendEntry(std::string& out, const CdsRecord& r) {
  appendLocation(out, r);
  out += "#gene=";
  out += r.gene;
  out += '\n';
  appendLine(out, "#nListings=", r.nListings);
  appendLine(out, "#nAlt=", r.nAlt);
  out += "#file=";
  out += r.file;
  out += '\n';
  appendLine(out, "#contig=", r.contig);
  appendLine(out, "#beforeSpace=", r.beforeSpace);
  appendLine(out, "#afterSpace=", r.afterSpace);
  appendLine(out, "#altCDSFirst=", r.altCDSFirst);
  appendLine(out, "#altCDSLast=", r.altCDSLast);
  out += "************\n";
}

}  // namespace

void writeLookupTable() {
  nGenesOut = 0;
  std::string block;
  block.reserve(2 * WRITE_CHUNK);
  for (int32_t i = 0; i < nCds; ++i) {
    prefetchRecord(i + PREFETCH_DISTANCE);
    if (!records[i].isFirstListing) continue;
    ++nGenesOut;
    appendEntry(block, records[i]);
    if (block.size() >= WRITE_CHUNK) {
      outputStream.write(block.data(), static_cast<std::streamsize>(block.size()));
      block.clear();
    }
  }
  outputStream.write(block.data(), static_cast<std::streamsize>(block.size()));
  outputStream.flush();
  if (!outputStream) haltWith(std::string("PROBLEM WRITING THE FILE ") + outputName + ".");
}
