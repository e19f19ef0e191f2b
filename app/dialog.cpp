#include "app/run_control.h"

#include <cstring>
#include <iostream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int CLEAR_LINES = 50;  // enough line breaks to scroll any console clean

std::string token;  // the last answer word read from the console

void clearConsole() {
  for (int i = 0; i < CLEAR_LINES; ++i) std::cout << std::endl;
}

// An answer is one whitespace-delimited word; the rest of the typed line stays
// for the next question. With no more console input nothing can be answered.
const std::string& readWord() {
  std::cout.flush();
  if (!(std::cin >> token)) halt();
  return token;
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

// The listing is read twice (counted, then read), so only a regular file that
// opens for reading will do; a directory opens but cannot be read.
bool isReadableListing(const char* name) {
  int fd = open(name, O_RDONLY | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info;
  bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  close(fd);
  return regular;
}

}  // namespace

void askInputFile() {
  for (;;) {
    std::cout << "Name of input file (product of TARN1): " << std::flush;
    const std::string& name = readWord();
    if (name.size() > static_cast<size_t>(MAX_INPUT_NAME)) {
      std::cout << "\aTHE NAME IS LONGER THAN " << MAX_INPUT_NAME << " CHARACTERS." << std::endl;
      continue;
    }
    std::strcpy(inputName, name.c_str());
    if (isReadableListing(inputName)) return;
    std::cout << "\aPROBLEM OPENING THE FILE " << inputName << "." << std::endl
              << "THE FILE MAY NOT EXIST." << std::endl
              << "TYPE Q <enter> TO QUIT" << std::endl
              << "OR TYPE C <enter> TO CONTINUE.> " << std::flush;
    waitForLetter("C");
    std::cout << "\n" << std::endl;
  }
}

void askOutputFile() {
  for (;;) {
    std::cout << "\nName of output file(.t2 suffix added): " << std::flush;
    const std::string& name = readWord();
    if (name.size() > static_cast<size_t>(MAX_OUTPUT_NAME_TYPED)) {
      std::cout << "\aTHE NAME IS LONGER THAN " << MAX_OUTPUT_NAME_TYPED << " CHARACTERS." << std::endl;
      continue;
    }
    std::strcpy(outputName, name.c_str());
    std::strcat(outputName, ".t2");
    // Create-exclusive: an existing file is refused, never truncated.
    int fd = open(outputName, O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd >= 0) {
      close(fd);
      return;
    }
    std::cout << "\aTHE FILE " << outputName << " MAY ALREADY EXIST." << std::endl
              << "TYPE Q <enter> TO QUIT " << std::endl
              << "OR N <enter> FOR NEW FILENAME.> " << std::flush;
    waitForLetter("N");
  }
}

void runMenu() {
  clearConsole();
  std::cout << "" << std::endl;  // the banner line, empty
  bool askInput = true;
  bool askOutput = true;
  char answer;
  do {
    if (askInput) {
      askInput = false;
      askInputFile();
    }
    if (askOutput) {
      askOutput = false;
      askOutputFile();
    }
    clearConsole();
    std::cout << "I  Input file:      " << inputName << std::endl
              << "O  Output file:     " << outputName << std::endl;
    std::cout << "\nType the letter associated with the" << std::endl
              << "menu item you wish to change." << std::endl
              << "\nType G<enter> to run the program or Q<enter> to quit. > " << std::flush;
    answer = waitForLetter("GIO");
    if (answer == 'I') askInput = true;
    if (answer == 'O') askOutput = true;
  } while (answer != 'G');
}
