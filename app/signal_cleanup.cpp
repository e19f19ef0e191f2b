#include "app/signal_cleanup.h"

#include <climits>
#include <csignal>
#include <cstring>
#include <iterator>

#include <unistd.h>

namespace {

// Read by the handler, so plain memory and flags only.
char pendingPaths[3][PATH_MAX + 1];
volatile sig_atomic_t progressShown = 0;

extern "C" void cleanUpAndDie(int signal) {
  for (const char* path : pendingPaths)
    if (path[0] != '\0') unlink(path);
  if (progressShown) {
    static const char clearLine[] = "\r\033[K";
    [[maybe_unused]] ssize_t ignored = write(STDERR_FILENO, clearLine, sizeof clearLine - 1);
  }
  std::signal(signal, SIG_DFL);
  raise(signal);
}

// A signal ignored when the process started (SIGINT for a job started in
// the background) stays ignored.
void watch(int signal) {
  struct sigaction now;
  if (sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) return;
  std::signal(signal, cleanUpAndDie);
}

}  // namespace

void cleanUpOnSignals(const std::vector<std::string>& temporaryPaths) {
  for (size_t k = 0; k < temporaryPaths.size() && k < std::size(pendingPaths); ++k)
    if (temporaryPaths[k].size() < sizeof pendingPaths[k])
      std::memcpy(pendingPaths[k], temporaryPaths[k].c_str(), temporaryPaths[k].size() + 1);
  // Every signal whose default action ends the process, but SIGPIPE and
  // SIGXFSZ: those are ignored, so that a reader that went away or a file
  // size limit is a failed write, reported as such.
  static const int endingSignals[] = {SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                                      SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGALRM, SIGTERM, SIGSTKFLT,
                                      SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS};
  for (int s : endingSignals) watch(s);
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) watch(s);
}

void noteProgressLine(bool shown) { progressShown = shown; }

void forgetTemporaryFiles() {
  for (char* path : pendingPaths) path[0] = '\0';
}
