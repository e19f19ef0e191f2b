#include "io/table_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string reason(int error) { return std::strerror(error); }

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Names inside /proc and /dev/fd stand for open files, not for places in a
// folder: a table for them is written in place, never renamed onto them.
bool namesOpenFile(const std::string& path) { return startsWith(path, "/proc/") || startsWith(path, "/dev/fd/"); }

// The descriptor N of /proc/self/fd/N or /dev/fd/N, else -1.
int ownDescriptor(const std::string& path) {
  for (const char* prefix : {"/proc/self/fd/", "/dev/fd/"}) {
    if (!startsWith(path, prefix)) continue;
    char* end = nullptr;
    const long fd = std::strtol(path.c_str() + std::strlen(prefix), &end, 10);
    if (end != path.c_str() + std::strlen(prefix) && *end == '\0' && fd >= 0 && fd <= INT_MAX &&
        fcntl(static_cast<int>(fd), F_GETFD) != -1)
      return static_cast<int>(fd);
  }
  return -1;
}

// Follows symbolic links from `path` as open() would, up to the file they
// end at (which may not exist yet) or up to a name of an open file. `kind`
// gets the file's type, 0 when it does not exist.
bool followLinks(std::string& path, mode_t& kind, int& error) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info;
    if (namesOpenFile(path)) {
      kind = stat(path.c_str(), &info) == 0 ? (info.st_mode & S_IFMT) : S_IFCHR;
      return true;
    }
    if (lstat(path.c_str(), &info) != 0) {
      kind = 0;
      error = errno;
      return errno == ENOENT;
    }
    if (!S_ISLNK(info.st_mode)) {
      kind = info.st_mode & S_IFMT;
      return true;
    }
    std::string target(PATH_MAX, '\0');
    const ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n < 0) {
      error = errno;
      return false;
    }
    target.resize(static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    path = target[0] == '/' || slash == std::string::npos ? target : path.substr(0, slash + 1) + target;
  }
  error = ELOOP;
  return false;
}

// Renames without replacing a file that is there; link(2) where the file
// system cannot rename so.
int renameNoReplace(const char* from, const char* to) {
  if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  if (link(from, to) != 0) return -1;
  unlink(from);
  return 0;
}

}  // namespace

TableFile::~TableFile() { abandon(); }

bool TableFile::startOn(int fd, bool owned) {
  fd_ = fd;
  owned_ = owned;
  struct stat info;
  if (fstat(fd, &info) != 0) return true;  // writes will say what is wrong
  // A pipe of 1 MiB takes a batch of the table in a few writes, not in
  // hundreds of 64 KiB turns with its reader; where the system says no, the
  // pipe stays as it is.
  if (S_ISFIFO(info.st_mode)) fcntl(fd, F_SETPIPE_SZ, 1 << 20);
  if (S_ISREG(info.st_mode)) {
    const int flags = fcntl(fd, F_GETFL);
    appends_ = flags != -1 && (flags & O_APPEND) != 0;
    startOffset_ = appends_ ? info.st_size : lseek(fd, 0, SEEK_CUR);
  }
  return true;
}

void TableFile::openOn(int fd) { startOn(fd, false); }

bool TableFile::open(const std::string& name, bool force, std::string& error) {
  name_ = name;
  force_ = force;
  target_ = name;
  mode_t kind = 0;
  int failure = 0;
  if (!followLinks(target_, kind, failure)) {
    error = name + ": " + reason(failure);
    return false;
  }
  if (kind == S_IFDIR) {
    error = name + ": is a directory";
    return false;
  }
  if (kind == S_IFREG && !force) {
    error = name + ": exists; --force replaces it";
    return false;
  }
  if (namesOpenFile(target_) || (kind != 0 && kind != S_IFREG)) {
    const int own = ownDescriptor(target_);
    if (own >= 0) return startOn(own, false);
    const int fd = ::open(name.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (kind == S_IFREG ? O_TRUNC : 0));
    if (fd < 0) {
      error = name + ": " + reason(errno);
      return false;
    }
    return startOn(fd, true);
  }
  // A short temporary name, so that a table name up to the file system's
  // limit still works.
  const size_t slash = target_.rfind('/');
  temporary_ = (slash == std::string::npos ? "" : target_.substr(0, slash + 1)) + ".tarn2.XXXXXX";
  const int fd = mkostemp(temporary_.data(), O_CLOEXEC);
  if (fd < 0) {
    error = name + ": " + reason(errno);
    temporary_.clear();
    return false;
  }
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);  // as an ordinary new file, not mkstemp's 0600
  return startOn(fd, true);
}

bool TableFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      readerGone_ = n < 0 && errno == EPIPE;
      return fail(reason(n < 0 ? errno : EIO));
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool TableFile::takeBack() {
  if (ftruncate(fd_, startOffset_) != 0 || (!appends_ && lseek(fd_, startOffset_, SEEK_SET) != startOffset_))
    return fail(reason(errno));
  return true;
}

bool TableFile::close(std::string& error) {
  if (!owned_ || fd_ < 0) return true;
  if (!temporary_.empty()) {
    struct stat replaced;
    if (force_ && stat(target_.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode))
      fchmod(fd_, replaced.st_mode & 07777);
  }
  if (::close(std::exchange(fd_, -1)) != 0) {
    error = name_ + ": " + reason(errno);
    return false;
  }
  return true;
}

bool TableFile::place(std::string& error) {
  if (temporary_.empty()) return true;
  int failure = 0;
  struct stat there;
  if (lstat(target_.c_str(), &there) == 0 && S_ISDIR(there.st_mode)) {
    failure = EISDIR;  // appeared meanwhile; exchanged, it would take the table's place
  } else if (!force_) {
    if (renameNoReplace(temporary_.c_str(), target_.c_str()) != 0) failure = errno;
  } else if (renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) == 0) {
    exchanged_ = true;  // the old file now stands under the temporary name
  } else if (errno == ENOENT) {
    if (renameNoReplace(temporary_.c_str(), target_.c_str()) != 0) failure = errno;
  } else if (rename(temporary_.c_str(), target_.c_str()) != 0) {
    failure = errno;  // a file system that cannot exchange: the old file goes at once
  }
  if (failure != 0) {
    error = name_ + ": " + (failure == EEXIST  ? "exists; --force replaces it"
                            : failure == EISDIR ? "is a directory"
                                                : reason(failure));
    return false;
  }
  placed_ = true;
  if (!exchanged_) temporary_.clear();
  return true;
}

void TableFile::unplace() {
  if (!placed_) return;
  if (exchanged_) renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE);
  else unlink(target_.c_str());
  placed_ = exchanged_ = false;
}

void TableFile::settle() {
  if (exchanged_) unlink(temporary_.c_str());
  temporary_.clear();
  placed_ = exchanged_ = false;
}

bool placeTogether(TableFile* const* tables, size_t n, std::string& error) {
  for (size_t k = 0; k < n; ++k)
    if (!tables[k]->close(error)) return false;
  for (size_t k = 0; k < n; ++k) {
    if (tables[k]->place(error)) continue;
    while (k-- > 0) tables[k]->unplace();
    return false;
  }
  for (size_t k = 0; k < n; ++k) tables[k]->settle();
  return true;
}

void TableFile::abandon() {
  if (fd_ >= 0 && owned_) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
}
