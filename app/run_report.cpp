#include "app/run_control.h"
#include "listing/cds_record.h"

#include <iostream>
#include <string>

void reportDone() {
  // The table is closed before success is claimed: a failed close (a full
  // disk) is a failed write.
  outputStream.close();
  if (!outputStream) haltWith(std::string("PROBLEM WRITING THE FILE ") + outputName + ".");
  std::cout << "\nREZI2_d1 done." << std::endl
            << nCds << " CDSs in input file." << std::endl
            << nGenesOut << " genes in output file.\n" << std::endl
            << "See output file (" << outputName << ") for details." << std::endl;
  inputStream.close();
}
