#include "listing/line_reader.h"

#include <cstring>

bool LineReader::fill() {
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) buffer_.resize(2 * buffer_.size());  // a line longer than the buffer
  ptrdiff_t got = source_.read(buffer_.data() + end_, buffer_.size() - end_);
  if (got < 0) failed_ = true;
  if (got <= 0) atEnd_ = true;
  else end_ += static_cast<size_t>(got);
  return got > 0;
}

bool LineReader::next(std::string_view& line) {
  size_t searched = begin_;
  for (;;) {
    const char* data = buffer_.data();
    const void* lf = std::memchr(data + searched, '\n', end_ - searched);
    if (lf != nullptr) {
      size_t at = static_cast<size_t>(static_cast<const char*>(lf) - data);
      line = std::string_view(data + begin_, at - begin_);
      begin_ = at + 1;
      break;
    }
    if (atEnd_ || failed_) {
      if (failed_ || begin_ == end_) return false;
      line = std::string_view(data + begin_, end_ - begin_);  // the last line, without a line feed
      begin_ = end_;
      break;
    }
    searched = end_ - begin_;
    fill();
  }
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (const void* nul = std::memchr(line.data(), '\0', line.size()))
    line = line.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - line.data()));
  return true;
}
