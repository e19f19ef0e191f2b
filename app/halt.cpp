#include "app/run_control.h"

#include <cstdlib>
#include <iostream>

void halt() {
  std::cout << "REZI2_d1 halted." << std::endl;
  // std::exit closes the file streams, flushing what they hold.
  std::exit(0);
}

void haltWith(const std::string& message) {
  std::cout << "\a\n" << message << std::endl;
  halt();
}
