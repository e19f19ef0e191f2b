#include "app/signal_cleanup.h"

#include <climits>
#include <cstring>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Read by the handler, so plain memory and flags only.
char pendingPaths[4][PATH_MAX + 1];  // the table and three summary files
volatile sig_atomic_t progressShown = 0;
volatile sig_atomic_t tableFd = -1;  // a table written in place, cut back to tableStart
volatile sig_atomic_t tableCopy = -1;  // the same file, held apart from tableFd
volatile sig_atomic_t nullFd = -1;     // /dev/null, put in tableFd's place
volatile long long tableStart = 0;

// Every signal whose default action ends the process, but SIGPIPE and
// SIGXFSZ: those are ignored, so that a reader that went away or a file size
// limit is a failed write, reported as such.
const int ENDING_SIGNALS[] = {SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                              SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGALRM, SIGTERM, SIGSTKFLT,
                              SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS};

extern "C" void cleanUpAndDie(int signal) {
  for (const char* path : pendingPaths)
    if (path[0] != '\0') unlink(path);
  if (tableFd >= 0) {
    // Another thread may be writing the table. Its later writes go to
    // /dev/null, and the file is cut back through a descriptor of its own;
    // the kernel lets a write under way end before the cut.
    if (nullFd >= 0) dup2(nullFd, tableFd);
    [[maybe_unused]] int ignored = ftruncate(tableCopy >= 0 ? tableCopy : tableFd, static_cast<off_t>(tableStart));
  }
  if (progressShown) {
    static const char clearLine[] = "\r\033[K";
    [[maybe_unused]] ssize_t ignored = write(STDERR_FILENO, clearLine, sizeof clearLine - 1);
  }
  std::signal(signal, SIG_DFL);
  raise(signal);
}

void watch(int signal) {
  struct sigaction now;
  if (sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) return;
  std::signal(signal, cleanUpAndDie);
}

sigset_t watchedSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : ENDING_SIGNALS)
    if (s != SIGSEGV && s != SIGBUS && s != SIGFPE && s != SIGILL) sigaddset(&set, s);  // faults cannot wait
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) sigaddset(&set, s);
  return set;
}

}  // namespace

void watchSignals() {
  for (int s : ENDING_SIGNALS) watch(s);
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) watch(s);
}

SignalsHeld::SignalsHeld() {
  const sigset_t set = watchedSet();
  pthread_sigmask(SIG_BLOCK, &set, &before_);
}

SignalsHeld::~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

bool SignalsHeld::pending() const {
  sigset_t waiting;
  if (sigpending(&waiting) != 0) return false;
  const sigset_t set = watchedSet();
  for (int s = 1; s <= SIGRTMAX; ++s)
    if (sigismember(&set, s) == 1 && sigismember(&waiting, s) == 1) {
      // One that the process ignores does not end it.
      struct sigaction now;
      if (sigaction(s, nullptr, &now) == 0 && now.sa_handler != SIG_IGN) return true;
    }
  return false;
}

void noteTemporaryFiles(const std::vector<std::string>& paths) {
  size_t slot = 0;
  for (const std::string& path : paths)
    if (!path.empty() && slot < std::size(pendingPaths) && path.size() < sizeof pendingPaths[slot])
      std::memcpy(pendingPaths[slot++], path.c_str(), path.size() + 1);
}

void noteProgressLine(bool shown) { progressShown = shown; }

void noteTableInPlace(int fd, long long start) {
  tableFd = -1;  // never a descriptor with another's start
  tableStart = start;
  const int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (tableCopy >= 0) close(tableCopy);
  tableCopy = copy;
  if (nullFd < 0) nullFd = open("/dev/null", O_WRONLY | O_CLOEXEC);
  tableFd = fd;
}

void forgetTemporaryFiles() {
  for (char* path : pendingPaths) path[0] = '\0';
  tableFd = -1;
}
