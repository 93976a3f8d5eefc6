#include "platform/stop_signals.h"

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace bq {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t gStopSignal = 0;
volatile std::sig_atomic_t gWakeFd = -1;

void OnStopSignal(int signal) {
  if (gStopSignal != 0) {
    // Asked twice: whatever holds the program up, it ends now.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  gStopSignal = signal;
  int saved = errno;
  if (gWakeFd >= 0) {
    char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(gWakeFd, &byte, 1);
  }
  errno = saved;
}

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : kStopSignals) sigaddset(&set, s);
  return set;
}

}  // namespace

void CatchStopSignals(int wakeFd) {
  gStopSignal = 0;
  gWakeFd = wakeFd;
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  // Waits resume by themselves: every loop looks at StopSignal() anyway.
  sa.sa_flags = SA_RESTART;
  for (int s : kStopSignals) ::sigaction(s, &sa, nullptr);
  sigset_t set = StopSet();
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void HoldStopSignals() {
  sigset_t set = StopSet();
  ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void ReleaseStopSignals() {
  for (int s : kStopSignals) std::signal(s, SIG_DFL);
  gWakeFd = -1;
  gStopSignal = 0;
  sigset_t set = StopSet();
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

int StopSignal() { return gStopSignal; }

}  // namespace bq
