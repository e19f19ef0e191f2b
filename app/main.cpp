// TARN2: turns a CDS listing into a lookup table with one entry per gene.

#include "analysis/gene_analyses.h"
#include "app/run_control.h"
#include "listing/cds_record.h"
#include "lookup/lookup_writer.h"

#include <iostream>

int main() {
  runMenu();
  std::cout << "\nDetermining number of CDSs listed in " << inputName << std::flush;
  countCds();
  std::cout << "\nAllocating memory for " << nCds << " CDSs from " << inputName << std::flush;
  allocateRecords();
  std::cout << "\nRe-opening " << inputName << " to read CDS data; opening " << outputName << " for output"
            << std::flush;
  openForRun();
  std::cout << "\nReading CDS data from " << inputName << std::flush;
  readCdsData();
  std::cout << "\nCalculating gene spacing" << std::flush;
  calculateGeneSpacing();
  std::cout << "\nLooking for multiple listings and alternative CDSs" << std::flush;
  findMultipleListings();
  std::cout << "\nWriting lookup table: " << outputName << std::endl;
  writeLookupTable();
  reportDone();
  return 0;
}
