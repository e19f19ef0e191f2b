// libFuzzer target: any bytes as a whole listing, run through every stage the
// program runs after its dialog. Refusing the listing is fine; crashing,
// hanging or writing a table that disagrees with the record table is not.
//
// Linked without app/halt.cpp: its std::exit would end the fuzzer, so the
// halt routines below throw instead and the run is cleaned up here.

#include "analysis/gene_analyses.h"
#include "app/run_control.h"
#include "listing/cds_record.h"
#include "lookup/lookup_writer.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace {

struct Halted {
  std::string message;
};

// Each CDS costs a 4172-byte record; more than this only slows the search.
constexpr size_t MAX_FUZZ_CDS = 2000;

void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "whole_run invariant broken: %s\n", what);
  std::abort();
}

// Only a listing the program cannot hold may stop a run here: "CDS <n> "
// naming a record that exists, then one of the reader's problems. Anything
// else (open, read, write or memory failures) means this harness or the
// program went wrong.
bool isKnownRefusal(const std::string& message) {
  static const std::string_view problems[] = {
      "HAS A POSITION ABOVE 2147483647.", "HAS MORE THAN 500 SEGMENTS.",
      "HAS A GENE NAME LONGER THAN 60 CHARACTERS.", "HAS A FILE NAME LONGER THAN 60 CHARACTERS.",
      "HAS A CONTIG NUMBER ABOVE 2147483647."};
  const char* end = message.data() + message.size();
  if (message.rfind("CDS ", 0) != 0) return false;
  int32_t index = 0;
  auto [p, ec] = std::from_chars(message.data() + 4, end, index);
  if (ec != std::errc() || p == end || *p != ' ' || index < 1 || index > nCds) return false;
  std::string_view problem(p + 1, static_cast<size_t>(end - p - 1));
  for (std::string_view known : problems)
    if (problem == known) return true;
  return false;
}

void checkTable(const std::string& written) {
  require(nGenesOut >= 0 && nGenesOut <= nCds, "nGenesOut outside 0..nCds");
  int64_t firstListings = 0;
  int64_t listed = 0;
  for (int32_t i = 0; i < nCds; ++i) {
    const CdsRecord& r = records[i];
    if (!r.isFirstListing) continue;
    ++firstListings;
    listed += r.nListings;
    require(r.nAlt >= 0 && r.nAlt < r.nListings, "nAlt not below nListings");
  }
  require(firstListings == nGenesOut, "nGenesOut differs from the first listings");
  require(listed == nCds, "first listings' nListings do not add up to nCds");
  // Names cannot hold a line feed, so a miscount means a broken entry; a
  // name past its capacity means a record string lost its terminator.
  std::vector<std::string_view> lines;
  for (size_t at = 0, next; at < written.size(); at = next + 1) {
    next = written.find('\n', at);
    require(next != std::string::npos, "output ends inside a line");
    lines.push_back(std::string_view(written).substr(at, next - at));
  }
  require(lines.size() == 11 * static_cast<size_t>(nGenesOut), "output is not 11 lines per entry");
  for (size_t e = 0; e < lines.size(); e += 11) {
    require(lines[e + 1].size() <= 6 + GENE_NAME_SIZE - 1, "gene name longer than 60 written");
    require(lines[e + 4].size() <= 6 + SOURCE_NAME_SIZE - 1, "file name longer than 60 written");
    require(lines[e + 10] == "************", "entry does not close where it should");
  }
}

void closeRun() {
  inputStream.close();
  inputStream.clear();
  outputStream.close();
  outputStream.clear();
  std::free(records);
  records = nullptr;
}

}  // namespace

[[noreturn]] void halt() { throw Halted{}; }
[[noreturn]] void haltWith(const std::string& message) { throw Halted{message}; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  size_t marks = 0;
  for (size_t at = bytes.find("#CDS="); at != std::string_view::npos; at = bytes.find("#CDS=", at + 1))
    if (++marks > MAX_FUZZ_CDS) return -1;  // keeps such inputs out of the corpus

  // Per process, so that parallel fuzzing jobs do not share files.
  static const std::string base = "/dev/shm/tarn2_fuzz_" + std::to_string(getpid());
  static const std::string inPath = base + ".listing", outPath = base + ".t2";
  std::snprintf(inputName, sizeof inputName, "%s", inPath.c_str());
  std::snprintf(outputName, sizeof outputName, "%s", outPath.c_str());
  {
    std::ofstream in(inPath, std::ios::binary | std::ios::trunc);
    in.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    require(static_cast<bool>(in.flush()), "cannot write the listing to /dev/shm");
  }

  try {
    countCds();
    allocateRecords();
    openForRun();
    readCdsData();
    calculateGeneSpacing();
    findMultipleListings();
    writeLookupTable();
    outputStream.close();
    std::ifstream out(outPath, std::ios::binary);
    checkTable(std::string(std::istreambuf_iterator<char>(out), {}));
  } catch (const Halted& h) {
    if (!isKnownRefusal(h.message)) {
      std::fprintf(stderr, "unexpected halt: \"%s\"\n", h.message.c_str());
      std::abort();
    }
  }
  closeRun();
  unlink(inPath.c_str());
  unlink(outPath.c_str());
  return 0;
}
