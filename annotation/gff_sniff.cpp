#include "annotation/gff.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Whether the first attribute of a ninth column is written the dialect's way.
bool attributesLookRight(std::string_view column, GffDialect dialect) {
  const std::string_view first = column.substr(0, column.find(';'));
  if (dialect == GffDialect::GFF3) {
    const size_t eq = first.find('=');
    if (eq == 0 || eq == std::string_view::npos) return false;
    const std::string_view key = first.substr(0, eq);
    return key.find_first_of(" \"") == std::string_view::npos;
  }
  const size_t blank = first.find(' ');
  if (blank == 0 || blank == std::string_view::npos) return false;
  if (first.substr(0, blank).find('=') != std::string_view::npos) return false;
  size_t at = blank;
  while (at < first.size() && first[at] == ' ') ++at;
  return at < first.size() && first[at] == '"';
}

}  // namespace

bool looksLikeGff(std::string_view head, GffDialect dialect) {
  for (size_t at = 0; at < head.size();) {
    size_t end = head.find('\n', at);
    if (end == std::string_view::npos) end = head.size();
    std::string_view line = head.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    if (line.starts_with("##gff-version") && line.size() > 13 && isBlank(line[13])) {
      size_t v = 13;
      while (v < line.size() && isBlank(line[v])) ++v;
      const bool three = v < line.size() && line[v] == '3' && (v + 1 == line.size() || line[v + 1] == '.');
      // A GTF may say it is version 2; its first feature line tells.
      if (three || dialect == GffDialect::GFF3) return three && dialect == GffDialect::GFF3;
      continue;
    }
    if (line[0] == '#') continue;
    std::string_view column = line;
    for (int k = 0; k < 8; ++k) {
      const size_t tab = column.find('\t');
      if (tab == std::string_view::npos) return false;
      column.remove_prefix(tab + 1);
    }
    return column.find('\t') == std::string_view::npos && attributesLookRight(column, dialect);
  }
  return false;
}
