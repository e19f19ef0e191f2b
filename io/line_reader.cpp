#include "io/line_reader.h"

#include <cstring>

namespace {

constexpr size_t NONE = SIZE_MAX;

size_t findNul(const char* data, size_t from, size_t to) {
  if (from >= to) return NONE;  // no bytes may be no buffer either
  const void* nul = std::memchr(data + from, '\0', to - from);
  return nul == nullptr ? NONE : static_cast<size_t>(static_cast<const char*>(nul) - data);
}

}  // namespace

bool LineReader::fill() {
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    if (firstNul_ != NONE) firstNul_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) buffer_.resize(2 * buffer_.size());  // a line longer than the buffer
  ptrdiff_t got = source_->read(buffer_.data() + end_, buffer_.size() - end_);
  if (got < 0) failed_ = true;
  if (got <= 0) {
    atEnd_ = true;
    return false;
  }
  if (firstNul_ == NONE) firstNul_ = findNul(buffer_.data(), end_, end_ + static_cast<size_t>(got));
  end_ += static_cast<size_t>(got);
  return true;
}

LineReader::LineReader(std::string_view bytes) : held_(bytes.data()), end_(bytes.size()), atEnd_(true) {
  firstNul_ = findNul(held_, 0, end_);
  quick_ = firstNul_ == NONE;
  window_ = -size_t{64};  // the first scan starts at 0
}

bool LineReader::nextFound(std::string_view& line) {
  size_t searched = begin_;
  for (;;) {
    const char* data = this->data();
    const void* lf = end_ > searched ? std::memchr(data + searched, '\n', end_ - searched) : nullptr;
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
  // NUL bytes are rare: the buffer is searched for them once, not every line.
  const size_t lineStart = static_cast<size_t>(line.data() - data());
  if (firstNul_ < lineStart + line.size()) line = line.substr(0, firstNul_ - lineStart);
  if (firstNul_ != NONE && firstNul_ < begin_) firstNul_ = findNul(data(), begin_, end_);
  return true;
}
