#include "app/dialog.h"
#include "app/messages.h"
#include "listing/listing_reader.h"
#include "io/file_listing.h"
#include "run/make_table.h"
#include "io/table_file.h"

#include <cctype>
#include <iostream>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::string capitals(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

[[noreturn]] void cannotOpen(const std::string& name) { haltWith("PROBLEM OPENING THE FILE " + name + "."); }
[[noreturn]] void cannotRead(const std::string& name) { haltWith("PROBLEM READING THE FILE " + name + "."); }

// The messages of the stages that come before reading, in the order the
// console has always shown them: the listing is counted while it is read.
void reportCounted(const DialogNames& names, int64_t nCds) {
  std::cout << "\nAllocating memory for " << nCds << " CDSs from " << names.listing << std::flush;
  std::cout << "\nRe-opening " << names.listing << " to read CDS data; opening " << names.table << " for output"
            << std::flush;
}

}  // namespace

int runDialogRun(const DialogNames& names) {
  std::cout << "\nDetermining number of CDSs listed in " << names.listing << std::flush;
  const int listingFd = open(names.listing.c_str(), O_RDONLY | O_CLOEXEC);
  std::string error;
  FileListing listing;
  if (listingFd < 0 || !listing.open(listingFd, "/tmp", error)) cannotOpen(names.listing);
  const int tableFd = open(names.table.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (tableFd < 0) {
    ListingReader counter(listing);
    if (!counter.countToEnd()) cannotRead(names.listing);
    reportCounted(names, counter.count());
    cannotOpen(names.table);
  }
  TableFile table;
  table.openOn(tableFd);

  const RunOutcome outcome = makeTable(listing, table, RunOptions{});
  // A listing that cannot be read or is refused leaves the table as it was
  // before the run: empty.
  if (outcome.kind == RunOutcome::READ_FAILED || outcome.kind == RunOutcome::REFUSED) table.takeBack();
  if (outcome.kind == RunOutcome::READ_FAILED) cannotRead(names.listing);
  reportCounted(names, outcome.nCds);
  std::cout << "\nReading CDS data from " << names.listing << std::flush;
  if (outcome.kind == RunOutcome::REFUSED)
    haltWith("CDS " + std::to_string(outcome.refusedCds) + " " + capitals(problemText(outcome.problem)) + ".");
  std::cout << "\nCalculating gene spacing" << std::flush;
  std::cout << "\nLooking for multiple listings and alternative CDSs" << std::flush;
  std::cout << "\nWriting lookup table: " << names.table << std::endl;
  // The table is closed before success is claimed: a failed close is a failed write.
  if (outcome.kind == RunOutcome::WRITE_FAILED || close(tableFd) != 0)
    haltWith("PROBLEM WRITING THE FILE " + names.table + ".");
  close(listingFd);
  std::cout << "\nREZI2_d1 done." << std::endl
            << outcome.nCds << " CDSs in input file." << std::endl
            << outcome.nGenes << " genes in output file.\n" << std::endl
            << "See output file (" << names.table << ") for details." << std::endl;
  return 0;
}
