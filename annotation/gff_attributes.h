#pragma once
// The ninth column of GFF3 and GTF lines, one attribute at a time.

#include <string>
#include <string_view>

// Calls `take(key, value)` for each attribute of `column` in order. GFF3:
// parts split at ';', blanks before the key skipped, the key up to the first
// '=', the value the rest of the part as written (parts without '=' skipped). GTF: parts `key value` ending at ';' (blanks around
// skipped); a value that begins with '"' runs to the next '"' (';' inside it
// included) or the end of the column, any other to a blank or ';'.
template <typename Take>
void forEachAttribute(std::string_view column, bool gtf, Take take) {
  size_t at = 0;
  const size_t n = column.size();
  while (at < n) {
    while (at < n && (column[at] == ' ' || column[at] == ';')) ++at;
    if (at == n) return;
    if (!gtf) {
      size_t end = column.find(';', at);
      if (end == std::string_view::npos) end = n;
      const std::string_view part = column.substr(at, end - at);
      at = end;
      const size_t eq = part.find('=');
      if (eq != std::string_view::npos) take(part.substr(0, eq), part.substr(eq + 1));
      continue;
    }
    const size_t keyStart = at;
    while (at < n && column[at] != ' ' && column[at] != ';') ++at;
    const std::string_view key = column.substr(keyStart, at - keyStart);
    while (at < n && column[at] == ' ') ++at;
    std::string_view value;
    if (at < n && column[at] == '"') {
      size_t close = column.find('"', at + 1);
      if (close == std::string_view::npos) close = n;
      value = column.substr(at + 1, close - at - 1);
      at = close;
    } else {
      const size_t valueStart = at;
      while (at < n && column[at] != ' ' && column[at] != ';') ++at;
      value = column.substr(valueStart, at - valueStart);
    }
    // Whatever follows the value up to ';' belongs to no attribute.
    while (at < n && column[at] != ';') ++at;
    take(key, value);
  }
}

// A value's first comma-separated part.
inline std::string_view firstValue(std::string_view value) { return value.substr(0, value.find(',')); }

// Appends `value` to `out` with each %XX (two hex digits, either case) made
// its byte, except that a code below %20 stays as written, as does a '%' not
// followed by two hex digits.
void appendPercentDecoded(std::string_view value, std::string& out);
