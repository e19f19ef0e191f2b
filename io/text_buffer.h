#pragma once
// Bytes that grow without being cleared first: text read, inflated or
// formatted into it is written once, not zeroed and then written, as a
// std::string's resize() would.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

class TextBuffer {
 public:
  TextBuffer() = default;
  TextBuffer(TextBuffer&& other) noexcept { *this = std::move(other); }
  TextBuffer& operator=(TextBuffer&& other) noexcept {
    bytes_ = std::move(other.bytes_);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    return *this;
  }

  char* data() { return bytes_.get(); }
  const char* data() const { return bytes_.get(); }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::string_view view(size_t from = 0) const { return {bytes_.get() + from, size_ - from}; }
  void clear() { size_ = 0; }

  // Room for `n` bytes at the end, which the caller fills before grow(n).
  char* room(size_t n) {
    if (size_ + n > capacity_) {
      const size_t capacity = std::max(size_ + n, 2 * capacity_);
      auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
      if (size_ > 0) std::memcpy(bigger.get(), bytes_.get(), size_);
      bytes_ = std::move(bigger);
      capacity_ = capacity;
    }
    return bytes_.get() + size_;
  }
  void grow(size_t n) { size_ += n; }
  // The size becomes `n`; bytes past the old size are left as they were.
  void resize(size_t n) {
    if (n > size_) room(n - size_);
    size_ = n;
  }
  void append(std::string_view bytes) {
    if (bytes.empty()) return;
    std::memcpy(room(bytes.size()), bytes.data(), bytes.size());
    size_ += bytes.size();
  }

 private:
  std::unique_ptr<char[]> bytes_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};
