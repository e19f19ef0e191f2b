#include "annotation/gff_attributes.h"

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void appendPercentDecoded(std::string_view value, std::string& out) {
  size_t from = 0;
  for (size_t at = value.find('%'); at != std::string_view::npos; at = value.find('%', at + 1)) {
    if (value.size() - at < 3) break;
    const int high = hexDigit(value[at + 1]), low = hexDigit(value[at + 2]);
    // A control character decoded would break the line it is written on.
    if (high < 0 || low < 0 || high < 2) continue;
    out.append(value.substr(from, at - from));
    out.push_back(static_cast<char>(high * 16 + low));
    from = at + 3;
    at += 2;
  }
  out.append(value.substr(from));
}
