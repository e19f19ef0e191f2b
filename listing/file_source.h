#pragma once
// Listing bytes from an open file descriptor, which the source does not close.

#include "listing/byte_source.h"

#include <cstdint>

// A source that can be read again from its first byte.
class RewindableSource : public ByteSource {
 public:
  virtual bool rewind() = 0;
  virtual uint64_t consumed() const = 0;
  virtual uint64_t size() const { return 0; }
};

// A regular file: rewound by seeking back to its start.
class FileSource : public RewindableSource {
 public:
  explicit FileSource(int fd) : fd_(fd) {}
  ptrdiff_t read(char* buffer, size_t size) override;
  bool rewind() override;
  uint64_t consumed() const override { return consumed_; }
  uint64_t size() const override;

 protected:
  ptrdiff_t readFd(int fd, char* buffer, size_t size);
  int fd_;
  uint64_t consumed_ = 0;
};

// A pipe, or anything else that cannot seek: every byte read is also kept in
// `spillFd` (an empty file opened for reading and writing), so that a rewind
// replays the kept bytes and then reads on from the pipe. One rewind only.
class SpillingSource : public FileSource {
 public:
  SpillingSource(int fd, int spillFd) : FileSource(fd), spillFd_(spillFd) {}
  ptrdiff_t read(char* buffer, size_t size) override;
  bool rewind() override;

 private:
  int spillFd_;
  bool replaying_ = false;  // reading the kept bytes back
  bool rewound_ = false;
};
