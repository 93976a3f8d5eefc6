#include "platform/events.h"

#include <chrono>
#include <thread>

#include <time.h>

namespace bq {

void CallbackPump::ProcessMessages() {
  ++calls_;
  // Index loop: a handler may add another handler while it runs.
  for (size_t i = 0; i < handlers_.size(); ++i) handlers_[i]();
}

std::uint64_t TickCount64() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::uint64_t CoarseTickCount64() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

std::uint32_t TickCount() { return static_cast<std::uint32_t>(TickCount64()); }

void SleepMs(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace bq
