#include "app/run_control.h"

#include <string>

std::ifstream inputStream;
std::ofstream outputStream;
char inputName[FILE_NAME_SIZE];
char outputName[FILE_NAME_SIZE];
int32_t nGenesOut = 0;

void openForRun() {
  inputStream.clear();
  inputStream.open(inputName);
  if (!inputStream.is_open()) haltWith(std::string("PROBLEM OPENING THE FILE ") + inputName + ".");
  outputStream.clear();
  outputStream.open(outputName);
  if (!outputStream.is_open()) haltWith(std::string("PROBLEM OPENING THE FILE ") + outputName + ".");
}
