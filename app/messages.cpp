#include "app/messages.h"

std::string problemText(Problem problem) {
  switch (problem) {
    case Problem::TOO_MANY_SEGMENTS: return "has more than " + std::to_string(MAX_SEGMENTS) + " segments";
    case Problem::POSITION_TOO_LARGE: return "has a position above " + std::to_string(MAX_NUMBER);
    case Problem::GENE_NAME_TOO_LONG:
      return "has a gene name longer than " + std::to_string(MAX_NAME_LENGTH) + " characters";
    case Problem::FILE_NAME_TOO_LONG:
      return "has a file name longer than " + std::to_string(MAX_NAME_LENGTH) + " characters";
    case Problem::CONTIG_TOO_LARGE: return "has a contig number above " + std::to_string(MAX_NUMBER);
  }
  return "cannot be read";
}
