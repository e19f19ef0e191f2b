#pragma once
// Listings and tables in memory, so that the libraries are tested without files.

#include "io/listing_source.h"
#include "io/table_sink.h"

#include <algorithm>
#include <cstring>

// Hands out at most `chunk` bytes a read, so that lines straddle reads, and
// fails for good once `failAt` bytes are out.
struct StringSource : ListingSource {
  explicit StringSource(std::string bytes, size_t chunk = SIZE_MAX, size_t failAt = SIZE_MAX)
      : bytes_(std::move(bytes)), chunk_(chunk), failAt_(failAt) {}
  ptrdiff_t read(char* buffer, size_t size) override {
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
    if (bytes.size() + more.size() > capacity) return fail("test write failure");
    written += more.size();
    bytes += more;
    return true;
  }
  bool canTakeBack() const override { return retractable; }
  bool takeBack() override { return retractable && (bytes.clear(), true); }
  size_t capacity;
  bool retractable;
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
