#pragma once
// A listing on an open file descriptor, which it does not close: a file, or
// standard input wherever it stands, or a pipe.

#include "io/listing_source.h"

#include <string>

class FileListing : public ListingSource {
 public:
  // The listing starts at the descriptor's present offset (standard input
  // may have been read from before). One that cannot seek (a pipe) is kept,
  // as it is read, in an unlinked temporary file made in `spillFolder`, from
  // which a rewind replays it. False with `error` set when the descriptor
  // cannot be used or the temporary file cannot be made.
  // `owned`: the descriptor is closed with the listing.
  bool open(int fd, const std::string& spillFolder, std::string& error, bool owned = false);
  ~FileListing() override;

  ptrdiff_t read(char* buffer, size_t size) override;
  bool rewind() override;
  uint64_t consumed() const override { return at_; }
  uint64_t size() const override { return size_; }
  bool positional() const override { return spill_ < 0 && size_ > 0; }
  ptrdiff_t readAt(char* buffer, size_t size, uint64_t offset, std::string& error) const override;

 private:
  ptrdiff_t readFd(int fd, char* buffer, size_t size, int64_t offset);

  int fd_ = -1;
  bool owned_ = false;
  int64_t start_ = 0;    // offset of the listing's first byte, when it seeks
  uint64_t size_ = 0;    // known for a regular file
  int spill_ = -1;       // copy of what a pipe gave, or -1
  uint64_t spilled_ = 0; // bytes in the copy
  uint64_t at_ = 0;      // bytes read since the start or the last rewind
};
