#include "app/table_output.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary table's path, for the signal handler: an interrupted run
// leaves no temporary file behind.
char pendingPath[4096];

extern "C" void removePendingAndDie(int signal) {
  if (pendingPath[0] != '\0') unlink(pendingPath);
  std::signal(signal, SIG_DFL);
  raise(signal);
}

void watchSignals(const std::string& path) {
  if (path.size() >= sizeof pendingPath) return;
  std::memcpy(pendingPath, path.c_str(), path.size() + 1);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, removePendingAndDie);
}

void forgetSignals() {
  for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
  pendingPath[0] = '\0';
}

std::string failure(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

bool FileSink::write(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(std::strerror(n < 0 ? errno : EIO));
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool FileSink::restart() {
  if (ftruncate(fd_, 0) != 0 || lseek(fd_, 0, SEEK_SET) != 0) return fail(std::strerror(errno));
  return true;
}

namespace {

bool copyAll(int from, int to, bool& closedPipe) {
  if (lseek(from, 0, SEEK_SET) != 0) return false;
  static char buffer[1 << 18];
  for (;;) {
    ssize_t n = read(from, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0;
    FileSink out(to);
    if (!out.write(std::string_view(buffer, static_cast<size_t>(n)))) {
      closedPipe = out.error() == std::strerror(EPIPE);
      return false;
    }
  }
}

}  // namespace

int anonymousTemporaryFile(std::string& error) {
  const char* folder = std::getenv("TMPDIR");
  std::string path = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/tarn2.XXXXXX";
  int fd = mkstemp(path.data());
  if (fd < 0) {
    error = failure("cannot make a temporary file in " + path.substr(0, path.rfind('/')));
    return -1;
  }
  unlink(path.c_str());
  return fd;
}

int temporaryBeside(const std::string& name, std::string& path, std::string& error) {
  size_t slash = name.rfind('/');
  size_t base = slash == std::string::npos ? 0 : slash + 1;
  path = name.substr(0, base) + "." + name.substr(base) + ".XXXXXX";
  int fd = mkstemp(path.data());
  if (fd < 0) {
    error = failure(name);
    path.clear();
    return -1;
  }
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);  // as an ordinary new file, not mkstemp's 0600
  return fd;
}

TableOutput::~TableOutput() { abandon(); }

bool TableOutput::open(const std::string& name, bool force, std::string& error) {
  name_ = name;
  struct stat info;
  const bool exists = name != "-" && stat(name.c_str(), &info) == 0;
  if (exists && !force) {
    error = name + ": exists; --force replaces it";
    return false;
  }
  if (name == "-" || (exists && !S_ISREG(info.st_mode))) {
    // Standard output, /dev/null or a named pipe cannot take a table back:
    // it is kept aside and copied out once whole.
    destination_ = name == "-" ? STDOUT_FILENO : ::open(name.c_str(), O_WRONLY | O_TRUNC);
    if (destination_ < 0) {
      error = failure(name);
      return false;
    }
    fd_ = anonymousTemporaryFile(error);
  } else {
    fd_ = temporaryBeside(name, temporary_, error);
    if (fd_ < 0) return false;
    watchSignals(temporary_);
  }
  if (fd_ < 0) return false;
  sink_ = std::make_unique<FileSink>(fd_);
  return true;
}

bool TableOutput::commit(std::string& error, bool& closedPipe) {
  closedPipe = false;
  if (destination_ >= 0) {
    int destination = std::exchange(destination_, -1);
    bool copied = copyAll(fd_, destination, closedPipe) && (destination == STDOUT_FILENO || close(destination) == 0);
    if (!copied && !closedPipe) error = failure(name_ == "-" ? "standard output" : name_);
    return copied;
  }
  if (close(std::exchange(fd_, -1)) != 0 || rename(temporary_.c_str(), name_.c_str()) != 0) {
    error = failure(name_);
    return false;
  }
  temporary_.clear();
  forgetSignals();
  return true;
}

void TableOutput::abandon() {
  if (fd_ >= 0) close(std::exchange(fd_, -1));
  if (destination_ > STDOUT_FILENO) close(std::exchange(destination_, -1));
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
  forgetSignals();
}
