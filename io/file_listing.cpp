#include "io/file_listing.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string reason(int error) { return std::strerror(error); }

}  // namespace

bool FileListing::open(int fd, const std::string& spillFolder, std::string& error, bool owned) {
  owned_ = owned;
  fd_ = fd;
  struct stat info;
  if (fstat(fd, &info) != 0) {
    error = reason(errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    error = "is a directory";
    return false;
  }
  const off_t here = S_ISREG(info.st_mode) ? lseek(fd, 0, SEEK_CUR) : -1;
  if (here >= 0) {
    start_ = here;
    size_ = info.st_size > here ? static_cast<uint64_t>(info.st_size - here) : 0;
    return true;
  }
  std::string path = spillFolder + "/tarn2.XXXXXX";
  spill_ = mkstemp(path.data());
  if (spill_ < 0) {
    error = "cannot make a temporary file in " + spillFolder + ": " + reason(errno);
    return false;
  }
  unlink(path.c_str());
  return true;
}

FileListing::~FileListing() {
  if (spill_ >= 0) close(spill_);
  if (owned_ && fd_ >= 0) close(fd_);
}

// Reads at `offset`, or at the descriptor's own position when it is negative.
ptrdiff_t FileListing::readFd(int fd, char* buffer, size_t size, int64_t offset) {
  for (;;) {
    ssize_t n = offset < 0 ? ::read(fd, buffer, size) : pread(fd, buffer, size, offset);
    if (n >= 0) return n;
    if (errno != EINTR) return fail(reason(errno));
  }
}

ptrdiff_t FileListing::read(char* buffer, size_t size) {
  ptrdiff_t n;
  if (spill_ < 0) {
    n = readFd(fd_, buffer, size, -1);
  } else if (at_ < spilled_) {
    n = readFd(spill_, buffer, std::min<uint64_t>(size, spilled_ - at_), static_cast<int64_t>(at_));
  } else {
    n = readFd(fd_, buffer, size, -1);
    for (ptrdiff_t kept = 0; kept < n;) {
      ssize_t w = pwrite(spill_, buffer + kept, static_cast<size_t>(n - kept), static_cast<off_t>(spilled_));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return fail("cannot keep a copy of it in a temporary file: " + reason(w < 0 ? errno : EIO));
      kept += w;
      spilled_ += static_cast<uint64_t>(w);
    }
  }
  if (n > 0) at_ += static_cast<uint64_t>(n);
  return n;
}

ptrdiff_t FileListing::readAt(char* buffer, size_t size, uint64_t offset, std::string& error) const {
  for (;;) {
    const ssize_t n = pread(fd_, buffer, size, static_cast<off_t>(static_cast<uint64_t>(start_) + offset));
    if (n >= 0) return n;
    if (errno != EINTR) {
      error = reason(errno);
      return -1;
    }
  }
}

bool FileListing::rewind() {
  if (spill_ < 0 && lseek(fd_, start_, SEEK_SET) != start_) {
    fail(reason(errno));
    return false;
  }
  at_ = 0;
  return true;
}
