#include "app/dialog.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The typed output name gets ".t2" appended, so it holds three characters
// fewer than the input name.
constexpr size_t MAX_INPUT_NAME = 63;
constexpr size_t MAX_OUTPUT_NAME_TYPED = 60;
constexpr int CLEAR_LINES = 50;  // enough line breaks to scroll any console clean

void clearConsole() {
  for (int i = 0; i < CLEAR_LINES; ++i) std::cout << std::endl;
}

// An answer is one whitespace-delimited word; the rest of the typed line stays
// for the next question. With no more console input nothing can be answered.
std::string readWord() {
  std::string word;
  std::cout.flush();
  if (!(std::cin >> word)) halt();
  return word;
}

char upperFirst(const std::string& word) {
  char c = word[0];
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Reads answers until one begins with Q (which halts) or with a letter of
// `accepted`; every other answer is ignored without a word.
char waitForLetter(const char* accepted) {
  for (;;) {
    char letter = upperFirst(readWord());
    if (letter == 'Q') halt();
    if (std::strchr(accepted, letter) != nullptr) return letter;
  }
}

// Only a regular file that opens for reading will do: a directory opens but
// cannot be read.
bool isReadableListing(const std::string& name) {
  int fd = open(name.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info;
  bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  close(fd);
  return regular;
}

bool refuseLongName(const std::string& name, size_t limit) {
  if (name.size() <= limit) return false;
  std::cout << "\aTHE NAME IS LONGER THAN " << limit << " CHARACTERS." << std::endl;
  return true;
}

std::string askInputFile() {
  for (;;) {
    std::cout << "Name of input file (product of TARN1): " << std::flush;
    std::string name = readWord();
    if (refuseLongName(name, MAX_INPUT_NAME)) continue;
    if (isReadableListing(name)) return name;
    std::cout << "\aPROBLEM OPENING THE FILE " << name << "." << std::endl
              << "THE FILE MAY NOT EXIST." << std::endl
              << "TYPE Q <enter> TO QUIT" << std::endl
              << "OR TYPE C <enter> TO CONTINUE.> " << std::flush;
    waitForLetter("C");
    std::cout << "\n" << std::endl;
  }
}

std::string askOutputFile() {
  for (;;) {
    std::cout << "\nName of output file(.t2 suffix added): " << std::flush;
    std::string name = readWord();
    if (refuseLongName(name, MAX_OUTPUT_NAME_TYPED)) continue;
    name += ".t2";
    // Create-exclusive: an existing file is refused, never truncated.
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd >= 0) {
      close(fd);
      return name;
    }
    std::cout << "\aTHE FILE " << name << " MAY ALREADY EXIST." << std::endl
              << "TYPE Q <enter> TO QUIT " << std::endl
              << "OR N <enter> FOR NEW FILENAME.> " << std::flush;
    waitForLetter("N");
  }
}

}  // namespace

void halt() {
  std::cout << "REZI2_d1 halted." << std::endl;
  std::exit(0);
}

void haltWith(const std::string& message) {
  std::cout << "\a\n" << message << std::endl;
  halt();
}

DialogNames runMenu() {
  clearConsole();
  std::cout << "" << std::endl;  // the banner line, empty
  DialogNames names;
  bool askInput = true;
  bool askOutput = true;
  char answer;
  do {
    if (askInput) {
      askInput = false;
      names.listing = askInputFile();
    }
    if (askOutput) {
      askOutput = false;
      names.table = askOutputFile();
    }
    clearConsole();
    std::cout << "I  Input file:      " << names.listing << std::endl
              << "O  Output file:     " << names.table << std::endl;
    std::cout << "\nType the letter associated with the" << std::endl
              << "menu item you wish to change." << std::endl
              << "\nType G<enter> to run the program or Q<enter> to quit. > " << std::flush;
    answer = waitForLetter("GIO");
    if (answer == 'I') askInput = true;
    if (answer == 'O') askOutput = true;
  } while (answer != 'G');
  return names;
}
