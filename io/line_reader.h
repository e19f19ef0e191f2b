#pragma once
// Lines of a listing, whatever their length.

#include "io/byte_lanes.h"
#include "io/byte_source.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

class LineReader {
 public:
  explicit LineReader(ByteSource& source) : source_(&source), buffer_(1 << 18) {}
  // Lines of bytes already in memory, read where they lie.
  explicit LineReader(std::string_view bytes);
  // The next line: without its line feed, without a carriage return before it
  // (listings written on Windows), and cut at a NUL byte, since names are
  // kept as C strings downstream. The view lasts until the next call. False
  // at the end of the stream and on a read failure (failed() tells which).
  bool next(std::string_view& line) { return quick_ ? nextHeld(line) : nextFound(line); }
  bool failed() const { return failed_; }

 private:
  bool fill();
  bool nextFound(std::string_view& line);
  inline bool nextHeld(std::string_view& line);
  const char* data() const { return held_ != nullptr ? held_ : buffer_.data(); }

  ByteSource* source_ = nullptr;  // null for bytes in memory
  std::vector<char> buffer_;      // what was read from the source; grows for a longer line
  const char* held_ = nullptr;    // the bytes in memory, when not read from a source
  size_t begin_ = 0;  // first unread byte
  size_t end_ = 0;    // end of the bytes held
  size_t firstNul_ = SIZE_MAX;  // first NUL byte at or after begin_, SIZE_MAX when none is held
  bool atEnd_ = false;
  bool failed_ = false;
  // Bytes in memory without a NUL byte: their line feeds found 64 at a time,
  // as bits of feeds_ for the bytes from window_ on, those passed cleared.
  // Lines are short, and a search per line pays its setting up each time.
  bool quick_ = false;
  uint64_t feeds_ = 0;
  size_t window_ = 0;
};

bool LineReader::nextHeld(std::string_view& line) {
  const size_t begin = begin_;
  if (begin == end_) return false;
  uint64_t feeds = feeds_;
  size_t window = window_;
  while (feeds == 0 && window + 64 < end_) {
    window += 64;
    const char* p = held_ + window;
    char tail[64];
    if (end_ - window < 64) {  // past the end reads as no line feed
      std::fill(std::copy(p, held_ + end_, tail), tail + 64, '\0');
      p = tail;
    }
    feeds = matchBits64(p, '\n');
  }
  const size_t at = feeds == 0 ? end_ : window + static_cast<size_t>(__builtin_ctzll(feeds));
  feeds_ = feeds & (feeds - 1);
  window_ = window;
  begin_ = at < end_ ? at + 1 : end_;
  line = std::string_view(held_ + begin, at - begin);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return true;
}
