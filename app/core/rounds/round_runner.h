#pragma once
// The desktop's rounds: the fetch of the open folder, the round below the
// selected folder and the scheduled round, each in the busy state with the
// tray animation running, a folder's error written into the round report
// instead of a message box, and the tray messages at the end (the errors,
// the news of new articles). It owns the tray's image and tip and asks the
// application's schedule when a round is due. What the shell shows of it
// goes out through View; the timers that drive the tray animation and the
// schedule belong to the shell, which asks here for their intervals.
#include <cstdint>
#include <map>
#include <string>

#include "app/core/application.h"
#include "app/core/rounds/round_report.h"
#include "app/core/shell/tray_state.h"

namespace bq::app {

class TRoundRunner {
 public:
  enum class Kind { Fetch, Round, Scheduled };

  // What the shell shows of rounds.
  class View {
   public:
    virtual ~View() = default;
    virtual void TrayChanged() {}
    virtual void ReportChanged() {}
    // A tray message: the round's errors (error) or the news of new articles.
    virtual void Notify(const NewsText&, bool /*error*/) {}
    virtual void RoundStarted(Kind) {}
    // line: the round line (empty for a fetch); reselect: the folder to
    // select again (empty: the one selected now).
    virtual void RoundFinished(Kind, const std::string& /*line*/, const std::string& /*reselect*/) {}
  };

  // The runner listens to the fetcher's page operations while it exists:
  // every failed one of its fetches and rounds becomes a report line.
  explicit TRoundRunner(TApplication& app, View* view = nullptr);
  ~TRoundRunner();
  TRoundRunner(const TRoundRunner&) = delete;
  TRoundRunner& operator=(const TRoundRunner&) = delete;

  // ExecAction, RoundAction (below folder) and TimerAction; nothing while
  // something runs or a dialog is open. selected: the folder the tree shows,
  // selected again after the scheduled round.
  void Fetch();
  void RoundBelow(const std::string& folder);
  void ScheduledRound(const std::string& selected);
  // The schedule timer's tick at `now` (local seconds): runs the scheduled
  // round when the schedule says it is due and nothing else runs.
  bool ScheduleTick(std::uint32_t now, const std::string& selected);
  // The same at the present time.
  bool ScheduleTick(const std::string& selected);
  // The schedule timer counts exactly while this holds, at this interval.
  bool ScheduleActive() const;
  std::uint32_t ScheduleInterval() const;

  // The tray: one frame of the animation (every kTrayFrameMs while
  // Animating()), and the window shown or hidden.
  void NextTrayFrame();
  // After every change of the busy state: a workbench run animates the tray
  // as a fetch does, from its start to its end.
  void FollowBusy();
  void WindowShown();
  void WindowHidden() { windowHidden_ = true; }
  const TTrayState& Tray() const { return tray_; }

  const TRoundReport& Report() const { return report_; }
  void ClearReport();
  // The folder a click on the last tray message opens; empty: the report.
  const std::string& MessageFolder() const { return messageFolder_; }
  bool Running() const { return running_; }

 private:
  // A round over all folders; scheduledAt: the tick that found it due (0: by hand).
  // selected is copied: the shell's selection moves to the top meanwhile.
  void RoundOverAll(std::string selected, std::uint32_t scheduledAt);
  void Begin(Kind kind);
  void EndAnimation();
  RoundEvents ReportingEvents();
  void AddError(const std::string& folder, const std::string& message);
  void PageDone(const TPageReport& r);
  void EndOfRound();
  void Notify(const NewsText& text, bool error, const std::string& clickFolder);
  void TrayChanged();

  TApplication& app_;
  View* view_;
  TTrayState tray_;
  TRoundReport report_;
  std::map<std::string, int> unreadBefore_;
  std::string messageFolder_;
  bool running_ = false;
  bool windowHidden_ = true;  // until the shell shows its window
};

}  // namespace bq::app
