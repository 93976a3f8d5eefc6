#pragma once
// The busy state of the shell: what runs now (a fetch, a round, a workbench
// run, step or trace, an export, the cache being cleaned), whether Stop and
// Skip apply to it, and how many dialogs are open. It has one owner, the
// application; every command's enabled flag is computed from it (see
// command_rules.h), and nothing records and restores flags.
//
// While something runs, every command but Stop and Skip (when stoppable)
// and the round report is disabled; while a dialog is open nothing new
// starts (no scheduled round, no round from a second start's command word).
#include <functional>

namespace bq::app {

// Workbench: a line or instruction step; WorkbenchRun: a run to a
// breakpoint or the end, which animates the tray as a fetch does.
enum class Activity { None, Fetch, Round, ScheduledRound, Workbench, WorkbenchRun, Export, CacheCleaning };

class TBusyState {
 public:
  // Ends the activity when it goes out of scope.
  class [[nodiscard]] Scope {
   public:
    Scope(TBusyState* state, bool dialog) : state_(state), dialog_(dialog) {}
    Scope(Scope&& other) noexcept : state_(other.state_), dialog_(other.dialog_) { other.state_ = nullptr; }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    Scope& operator=(Scope&&) = delete;
    ~Scope() {
      if (state_) state_->Leave(dialog_);
    }

   private:
    TBusyState* state_;
    bool dialog_;
  };

  // Starts an activity; only one runs at a time, so callers look at
  // CanStart() first. An Enter while one runs changes nothing.
  Scope Enter(Activity activity, bool stoppable);
  Scope OpenDialog();

  Activity Running() const { return running_; }
  bool Busy() const { return running_ != Activity::None; }
  bool Stoppable() const { return stoppable_; }
  bool DialogOpen() const { return dialogs_ > 0; }
  // Nothing runs and no dialog is open: a round may start.
  bool CanStart() const { return !Busy() && !DialogOpen(); }

  // Called after every change (the shell applies the commands again).
  std::function<void()> OnChange;

 private:
  void Leave(bool dialog);
  void Changed();

  Activity running_ = Activity::None;
  bool stoppable_ = false;
  int dialogs_ = 0;
};


}  // namespace bq::app
