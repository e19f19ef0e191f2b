#include "listing/listing_line.h"

#include <cstring>

bool readListingLine(std::istream& in, std::string& line) {
  if (!std::getline(in, line)) {
    line.clear();
    return false;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  line.resize(std::strlen(line.c_str()));
  return true;
}
