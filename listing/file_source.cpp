#include "listing/file_source.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

ptrdiff_t FileSource::readFd(int fd, char* buffer, size_t size) {
  for (;;) {
    ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return n;
    if (errno != EINTR) return fail(std::strerror(errno));
  }
}

ptrdiff_t FileSource::read(char* buffer, size_t size) {
  ptrdiff_t n = readFd(fd_, buffer, size);
  if (n > 0) consumed_ += static_cast<uint64_t>(n);
  return n;
}

bool FileSource::rewind() {
  if (lseek(fd_, 0, SEEK_SET) != 0) {
    fail(std::strerror(errno));
    return false;
  }
  consumed_ = 0;
  return true;
}

uint64_t FileSource::size() const {
  struct stat info;
  return fstat(fd_, &info) == 0 && S_ISREG(info.st_mode) ? static_cast<uint64_t>(info.st_size) : 0;
}

ptrdiff_t SpillingSource::read(char* buffer, size_t size) {
  if (replaying_) {
    ptrdiff_t n = readFd(spillFd_, buffer, size);
    if (n != 0) {
      if (n > 0) consumed_ += static_cast<uint64_t>(n);
      return n;
    }
    replaying_ = false;  // the kept bytes are used up: on with the pipe
  }
  ptrdiff_t n = FileSource::read(buffer, size);
  if (n > 0 && !rewound_) {
    for (const char* at = buffer; at < buffer + n;) {
      ssize_t written = ::write(spillFd_, at, static_cast<size_t>(buffer + n - at));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0)
        return fail(std::string("cannot keep a copy of it in a temporary file: ") +
                    std::strerror(written < 0 ? errno : EIO));
      at += written;
    }
  }
  return n;
}

bool SpillingSource::rewind() {
  if (rewound_ || lseek(spillFd_, 0, SEEK_SET) != 0) {
    fail(std::strerror(rewound_ ? EINVAL : errno));
    return false;
  }
  rewound_ = true;
  replaying_ = true;
  consumed_ = 0;
  return true;
}
