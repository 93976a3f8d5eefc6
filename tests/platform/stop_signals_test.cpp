// The stop signals: the first is recorded and wakes the program, a second
// ends it at once. Each case runs in a child process, so the handlers never
// reach the test runner itself.
#include "platform/stop_signals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace bq::test {
namespace {

class StopSignals : public ::testing::TestWithParam<int> {
 protected:
  // Runs body in a child; returns its wait status.
  template <typename F>
  int InChild(F body) {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
  }
};

TEST_P(StopSignals, TheFirstIsRecordedAndWakesTheProgram) {
  const int sig = GetParam();
  int status = InChild([sig] {
    int fds[2];
    if (::pipe(fds) != 0) return 10;
    CatchStopSignals(fds[1]);
    if (StopSignal() != 0) return 11;
    ::raise(sig);
    char byte = 0;
    if (StopSignal() != sig) return 12;
    if (::read(fds[0], &byte, 1) != 1 || byte != 1) return 13;
    return 0;
  });
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_P(StopSignals, ASecondEndsTheProcessAsTheSignalDoes) {
  const int sig = GetParam();
  int status = InChild([sig] {
    CatchStopSignals();
    ::raise(sig);
    ::raise(sig);
    return 20;  // not reached when the second signal ended the process
  });
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), sig);
  EXPECT_EQ(SignalExitStatus(sig), 128 + sig);
}

TEST_P(StopSignals, OneHeldBeforeTheHandlerWaitsForIt) {
  const int sig = GetParam();
  int status = InChild([sig] {
    HoldStopSignals();
    ::raise(sig);  // would end the process if it were not held
    if (StopSignal() != 0) return 40;
    CatchStopSignals();
    return StopSignal() == sig ? 0 : 41;
  });
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_P(StopSignals, ReleasedTheyAreTheDefaultAgain) {
  const int sig = GetParam();
  int status = InChild([sig] {
    HoldStopSignals();
    CatchStopSignals();
    HoldStopSignals();
    ReleaseStopSignals();
    ::raise(sig);
    return 30;
  });
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), sig);
}

INSTANTIATE_TEST_SUITE_P(EachSignal, StopSignals, ::testing::Values(SIGINT, SIGTERM, SIGHUP));

}  // namespace
}  // namespace bq::test
