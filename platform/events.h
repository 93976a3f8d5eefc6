#pragma once
// The event pump and the clock. Everything runs on one thread: a running
// script and every network wait call ProcessMessages() now and then, so that
// Stop, Skip, timers and the watchdog act while they run.
#include <cstdint>
#include <functional>
#include <vector>

namespace bq {

class EventPump {
 public:
  virtual ~EventPump() = default;
  // Handles whatever events are pending, then returns. Never blocks long.
  virtual void ProcessMessages() = 0;
};

// A pump for the CLI and tests: runs the handlers registered with it, in
// order, each time it is pumped (a test registers one that presses Stop).
class CallbackPump : public EventPump {
 public:
  void ProcessMessages() override;
  void Add(std::function<void()> handler) { handlers_.push_back(std::move(handler)); }
  void Clear() { handlers_.clear(); }
  std::uint64_t Calls() const { return calls_; }

 private:
  std::vector<std::function<void()>> handlers_;
  std::uint64_t calls_ = 0;
};

// Milliseconds from an arbitrary start, monotonic (GetTickCount's role).
std::uint32_t TickCount();
std::uint64_t TickCount64();
// The same count, read in a few nanoseconds but advancing in steps of the
// kernel's tick (a few milliseconds): for a look made thousands of times a
// second, as a running script's at its pump.
std::uint64_t CoarseTickCount64();
void SleepMs(std::uint32_t ms);

}  // namespace bq
