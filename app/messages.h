#pragma once
// Words for what can stop a run, shared by the dialog and the command line.

#include "listing/listing_reader.h"

#include <string>

// What is wrong with a refused CDS, in lower case: "has more than 500 segments".
std::string problemText(Problem problem);
