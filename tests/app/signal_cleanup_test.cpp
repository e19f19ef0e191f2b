#include "app/signal_cleanup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A signal that ends a run cuts a table written in place back to where it
// began, though another thread is writing it when the signal comes. A write
// lands in the cut's wake only now and then: twenty runs, each must hold.
TEST(SignalCleanup, CutsBackATableAnotherThreadWrites) {
  for (int round = 0; round < 20; ++round) {
    char path[] = "/tmp/tarn2-signal-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    unlink(path);
    ASSERT_EQ(write(fd, "old\n", 4), 4);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      watchSignals();
      noteTableInPlace(fd, 4);
      std::atomic<int> rows{0};
      std::thread writer([&] {
        for (;;)
          if (write(fd, "row\n", 4) == 4) ++rows;
      });
      while (rows < 1000) {
      }
      raise(SIGTERM);
      _exit(0);  // not reached: the signal ends the process
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    struct stat info;
    ASSERT_EQ(fstat(fd, &info), 0);
    EXPECT_EQ(info.st_size, 4) << "round " << round;
    close(fd);
  }
}

}  // namespace
