#pragma once
// Run control: the console dialog, the files of a run and the one way to stop.

#include <cstdint>
#include <fstream>
#include <string>

// Dialog capacities: the typed output name gets ".t2" appended, so it holds
// three characters fewer than the input name.
constexpr int FILE_NAME_SIZE = 64;                     // name buffer, terminator included
constexpr int MAX_INPUT_NAME = FILE_NAME_SIZE - 1;     // 63 characters
constexpr int MAX_OUTPUT_NAME_TYPED = FILE_NAME_SIZE - 4;  // 60 characters before ".t2"

// global variables
extern std::ifstream inputStream;     // the CDS listing; opened by countCds and openForRun
extern std::ofstream outputStream;    // the lookup table; opened by openForRun
extern char inputName[FILE_NAME_SIZE];   // listing name as typed (askInputFile)
extern char outputName[FILE_NAME_SIZE];  // typed name plus ".t2" (askOutputFile)
extern int32_t nGenesOut;             // entries written to the lookup table (writeLookupTable)

// Writes "REZI2_d1 halted." and ends the process with status 0.
[[noreturn]] void halt();
// Writes "\a\n" and the message, a line break, then halts: every fatal error
// found during a run is reported this way.
[[noreturn]] void haltWith(const std::string& message);

void askInputFile();
void askOutputFile();
void runMenu();
void openForRun();
void reportDone();
