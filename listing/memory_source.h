#pragma once
// Listing bytes already in memory: a block of a listing cut for parsing.

#include "listing/byte_source.h"

#include <algorithm>
#include <cstring>
#include <string_view>

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  ptrdiff_t read(char* buffer, size_t size) override {
    const size_t n = std::min(size, bytes_.size());
    std::memcpy(buffer, bytes_.data(), n);
    bytes_.remove_prefix(n);
    return static_cast<ptrdiff_t>(n);
  }

 private:
  std::string_view bytes_;
};
