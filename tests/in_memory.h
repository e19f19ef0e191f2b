#pragma once
// Listings and tables in memory, so that the libraries are tested without files.

#include "listing/byte_source.h"
#include "app/table_run.h"

#include <algorithm>
#include <cstring>

// Hands out at most `chunk` bytes a read, so that lines straddle reads, and
// fails for good once `failAt` bytes are out.
struct StringSource : RewindableSource {
  explicit StringSource(std::string bytes, size_t chunk = SIZE_MAX, size_t failAt = SIZE_MAX)
      : bytes_(std::move(bytes)), chunk_(chunk), failAt_(failAt) {}
  ptrdiff_t read(char* buffer, size_t size) override {
    if (at_ >= failAt_) return fail("test read failure");
    const size_t n = std::min({size, chunk_, bytes_.size() - at_, failAt_ - at_});
    std::memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return static_cast<ptrdiff_t>(n);
  }
  bool rewind() override { return ++rewinds, at_ = 0, true; }
  uint64_t consumed() const override { return at_; }
  std::string bytes_;
  size_t chunk_, failAt_, at_ = 0;
  int rewinds = 0;
};

// Refuses a write that would take it past `capacity` bytes.
struct StringSink : RestartableSink {
  explicit StringSink(size_t capacity = SIZE_MAX) : capacity(capacity) {}
  bool write(std::string_view more) override {
    return bytes.size() + more.size() <= capacity ? (bytes += more, true) : fail("test write failure");
  }
  bool restart() override { return bytes.clear(), true; }
  size_t capacity;
  std::string bytes;
};

inline std::string group(const std::string& location, const std::string& gene, const std::string& file = "f.gb",
                         const std::string& contig = "1") {
  return "#CDS=" + location + "\n#gene=" + gene + "\n#file=" + file + "\n#contig=" + contig + "\nend\n";
}

// "join(1..2,3..4,..." with n segments, left open.
inline std::string openJoin(int n) {
  std::string text = "join(";
  for (int k = 0; k < n; ++k) text.append(k ? "," : "").append(std::to_string(2 * k + 1) + ".." + std::to_string(2 * k + 2));
  return text;
}
