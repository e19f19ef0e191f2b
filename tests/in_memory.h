#pragma once
// Listings and tables in memory, so that the libraries are tested without files.

#include "io/listing_source.h"
#include "io/table_sink.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

// Hands out at most `chunk` bytes a read, so that lines straddle reads, and
// fails for good once `failAt` bytes are out.
struct StringSource : ListingSource {
  explicit StringSource(std::string bytes, size_t chunk = SIZE_MAX, size_t failAt = SIZE_MAX)
      : bytes_(std::move(bytes)), chunk_(chunk), failAt_(failAt) {}
  ptrdiff_t read(char* buffer, size_t size) override {
    if (at_ >= failAt_ && throws) throw std::runtime_error("test read throws");
    if (at_ >= failAt_) return fail("test read failure");
    const size_t n = std::min({size, chunk_, bytes_.size() - at_, failAt_ - at_});
    std::memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return static_cast<ptrdiff_t>(n);
  }
  // A listing that changes under the reader: `next` takes its place at the
  // first rewind. `rewindFails` makes every rewind fail.
  bool rewind() override {
    if (rewindFails) return fail("test rewind failure"), false;
    if (++rewinds == 1 && !next.empty()) bytes_ = next;
    at_ = 0;
    return true;
  }
  uint64_t consumed() const override { return at_; }
  // Read side by side, as a plain file is, when `sideBySide`.
  uint64_t size() const override { return sideBySide ? bytes_.size() : 0; }
  bool positional() const override { return sideBySide && !bytes_.empty(); }
  ptrdiff_t readAt(char* buffer, size_t size, uint64_t offset, std::string& error) const override {
    if (offset + size > failAt_ && throws) throw std::runtime_error("test read throws");
    if (offset + size > failAt_) return error = "test read failure", -1;
    const size_t n = std::min(size, bytes_.size() - std::min<size_t>(offset, bytes_.size()));
    std::memcpy(buffer, bytes_.data() + offset, n);
    return static_cast<ptrdiff_t>(n);
  }
  bool sideBySide = false;
  bool throws = false;  // a failure throws rather than returns
  std::string bytes_;
  size_t chunk_, failAt_, at_ = 0;
  int rewinds = 0;
  std::string next;
  bool rewindFails = false;
};

// Refuses a write that would take it past `capacity` bytes; takes back what
// it holds only when `retractable`. `written` counts every byte ever given,
// so that bytes taken back still show.
struct StringSink : TableSink {
  explicit StringSink(size_t capacity = SIZE_MAX, bool retractable = true) : capacity(capacity), retractable(retractable) {}
  bool write(std::string_view more) override {
    if (bytes.size() + more.size() > capacity && throws) throw std::runtime_error("test write throws");
    if (bytes.size() + more.size() > capacity) return fail("test write failure");
    written += more.size();
    bytes += more;
    return true;
  }
  bool canTakeBack() const override { return retractable; }
  bool takeBack() override { return retractable && (bytes.clear(), true); }
  size_t capacity;
  bool retractable;
  bool throws = false;  // a failure throws rather than returns
  std::string bytes;
  size_t written = 0;
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
