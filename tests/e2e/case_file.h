#pragma once
// A case of tests/e2e/cases: a free description, then sections under "=== "
// headers: "given NAME" (a file put in the run folder first), "given folder
// NAME", "answers" (typed at the console), "console" (what it must show, byte
// for byte) and "expect NAME" (a file's bytes after the run). In their text
// {BELL}, {CR} and {CLEAR} (50 line breaks) stand for what they name, {NOEOL}
// ending a line drops its line break, and a line's worth of text may be
// {GROUP location gene file contig} (a listing group), {ENTRY location gene
// nListings nAlt file contig beforeSpace afterSpace altCDSFirst altCDSLast}
// (a t2 entry), {MENU listing table} (the cleared console and the menu) or
// {DONE listing table nCds nGenes} (the messages of a completed run from G on).

#include <fstream>
#include <map>
#include <sstream>
#include <string>

inline std::string expandCase(std::string text) {
  const std::pair<std::string, std::string> marks[] = {
      {"{NOEOL}\n", ""}, {"{BELL}", "\a"}, {"{CR}", "\r"}, {"{CLEAR}", std::string(50, '\n')}};
  for (const auto& [from, to] : marks)
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
  for (size_t at = text.find('{'); at != std::string::npos; at = text.find('{', at + 1)) {
    const size_t end = text.find('}', at);
    std::istringstream words(text.substr(at + 1, end - at - 1));
    std::string w, a[10];
    words >> w;
    for (std::string& word : a) words >> word;
    if (w == "GROUP") w = "#CDS=" + a[0] + "\n#gene=" + a[1] + "\n#file=" + a[2] + "\n#contig=" + a[3] + "\nend";
    else if (w == "ENTRY")
      w = "#CDS=" + a[0] + "\n#gene=" + a[1] + "\n#nListings=" + a[2] + "\n#nAlt=" + a[3] + "\n#file=" + a[4] +
          "\n#contig=" + a[5] + "\n#beforeSpace=" + a[6] + "\n#afterSpace=" + a[7] + "\n#altCDSFirst=" + a[8] +
          "\n#altCDSLast=" + a[9] + "\n************";
    else if (w == "MENU")
      w = std::string(50, '\n') + "I  Input file:      " + a[0] + "\nO  Output file:     " + a[1] +
          "\n\nType the letter associated with the\nmenu item you wish to change.\n"
          "\nType G<enter> to run the program or Q<enter> to quit. > ";
    else if (w == "DONE")
      w = "Determining number of CDSs listed in " + a[0] + "\nAllocating memory for " + a[2] + " CDSs from " + a[0] +
          "\nRe-opening " + a[0] + " to read CDS data; opening " + a[1] + " for output\nReading CDS data from " +
          a[0] + "\nCalculating gene spacing\nLooking for multiple listings and alternative CDSs\n" +
          "Writing lookup table: " + a[1] + "\n\nREZI2_d1 done.\n" + a[2] + " CDSs in input file.\n" + a[3] +
          " genes in output file.\n\nSee output file (" + a[1] + ") for details.";
    else continue;
    text.replace(at, end + 1 - at, w);
  }
  return text;
}

// The sections of a case by header line ("given NAME", "answers"...), expanded.
inline std::map<std::string, std::string> readCase(const std::string& name) {
  std::map<std::string, std::string> sections;
  std::string header;
  std::ifstream in(CASES_DIR "/" + name + ".case", std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("=== ", 0) == 0) sections[header = line.substr(4)];
    else if (!header.empty()) sections[header] += line + "\n";
  }
  for (auto& [h, text] : sections) text = expandCase(text);
  return sections;
}
