#pragma once
// One line of a CDS listing, as both passes of the reader see it.

#include <istream>
#include <string>

// Reads the next line, whatever its length, into `line`: without its line
// feed, without a carriage return before it (listings written on Windows),
// and cut at a NUL byte, since names are stored as C strings. Past the end of
// the file the line is empty. Returns false once nothing more can be read.
bool readListingLine(std::istream& in, std::string& line);
