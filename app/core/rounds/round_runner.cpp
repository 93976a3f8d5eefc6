// The desktop's fetch and rounds with their busy state, tray animation,
// round report and tray messages.
#include "app/core/rounds/round_runner.h"

#include "app/core/kernel.h"
#include "textlib/dates.h"

namespace bq::app {

TRoundRunner::TRoundRunner(TApplication& app, View* view) : app_(app), view_(view) {
  TKernel::Web(app_).OnPageDone = [this](const TPageReport& r) { PageDone(r); };
}

TRoundRunner::~TRoundRunner() { TKernel::Web(app_).OnPageDone = nullptr; }

// The same failures the headless runner prints, for the fetches and rounds
// of the desktop (a workbench run shows its pages in its own dumps).
void TRoundRunner::PageDone(const TPageReport& r) {
  if (!running_ || !r.Failed()) return;
  report_.AddFailure(app_.FolderPath(), PageFailureText(r), NowDate());
  if (view_) view_->ReportChanged();
}

void TRoundRunner::TrayChanged() {
  if (view_) view_->TrayChanged();
}

void TRoundRunner::Begin(Kind kind) {
  running_ = true;
  report_.BeginRound();
  if (view_) view_->ReportChanged();  // the counts start again
  tray_.StartAnimation();
  TrayChanged();
  if (view_) view_->RoundStarted(kind);
}

void TRoundRunner::EndAnimation() {
  tray_.StopAnimation();
  TrayChanged();
}

void TRoundRunner::Fetch() {
  if (!app_.Busy().CanStart()) return;
  {
    TBusyState::Scope busy = app_.Busy().Enter(Activity::Fetch, true);
    Begin(Kind::Fetch);
    try {
      app_.ExecAction();
    } catch (const std::exception& e) {
      // A fetch by hand has someone watching: its error is shown at once.
      app_.Ui.MessageBox(e.what(), app_.Caption, kMbOk);
    }
    // What it stored is kept at once, not only when the folder is left.
    app_.SaveLog();
    EndAnimation();
    running_ = false;
  }
  if (view_) view_->RoundFinished(Kind::Fetch, std::string(), std::string());
}

void TRoundRunner::RoundBelow(const std::string& folder) {
  if (!app_.Busy().CanStart() || folder.empty()) return;
  std::string line;
  {
    TBusyState::Scope busy = app_.Busy().Enter(Activity::Round, true);
    Begin(Kind::Round);
    try {
      line = app_.RoundAction(folder, ReportingEvents());
    } catch (const std::exception& e) {
      AddError(folder, e.what());
    }
    EndAnimation();
    EndOfRound();
    running_ = false;
  }
  if (view_) view_->RoundFinished(Kind::Round, line, std::string());
}

void TRoundRunner::ScheduledRound(const std::string& selected) { RoundOverAll(selected, 0); }

bool TRoundRunner::ScheduleTick(std::uint32_t now, const std::string& selected) {
  // While anything runs (a workbench run, an export) or a dialog is open, a
  // round would reset the machine under it; the next tick tries again.
  if (!app_.Busy().CanStart() || !app_.ScheduleDue(now)) return false;
  RoundOverAll(selected, now);
  return true;
}

bool TRoundRunner::ScheduleTick(const std::string& selected) { return ScheduleTick(NowDate(), selected); }

bool TRoundRunner::ScheduleActive() const { return app_.ScheduleEnabled() && app_.Busy().CanStart(); }

std::uint32_t TRoundRunner::ScheduleInterval() const { return app_.ScheduleInterval(); }

void TRoundRunner::RoundOverAll(std::string selected, std::uint32_t scheduledAt) {
  if (!app_.Busy().CanStart()) return;
  std::string line;
  {
    TBusyState::Scope busy = app_.Busy().Enter(Activity::ScheduledRound, true);
    Begin(Kind::Scheduled);
    int total = 0;
    RoundEvents ev = ReportingEvents();
    auto done = ev.folderDone;
    ev.folderDone = [&total, done](const std::string& folder, int unread, const std::string& error) {
      total += unread;
      done(folder, unread, error);
    };
    try {
      line = scheduledAt != 0 ? app_.ScheduledRound(scheduledAt, ev) : app_.TimerAction(ev);
    } catch (const std::exception& e) {
      AddError(app_.LogRoot(), e.what());
    }
    EndAnimation();
    tray_.ScheduledRoundEnded(total, windowHidden_);
    TrayChanged();
    EndOfRound();
    running_ = false;
  }
  if (view_) view_->RoundFinished(Kind::Scheduled, line, selected);
}

void TRoundRunner::NextTrayFrame() {
  if (!tray_.Animating()) return;
  tray_.NextFrame();
  TrayChanged();
}

void TRoundRunner::FollowBusy() {
  if (running_) return;  // a fetch or round animates on its own
  const bool workbenchRun = app_.Busy().Running() == Activity::WorkbenchRun;
  if (workbenchRun == tray_.Animating()) return;
  if (workbenchRun) {
    tray_.StartAnimation();
    TrayChanged();
  } else {
    EndAnimation();
  }
}

void TRoundRunner::WindowShown() {
  windowHidden_ = false;
  tray_.WindowShown();
  TrayChanged();
}

RoundEvents TRoundRunner::ReportingEvents() {
  RoundEvents ev;
  ev.quietErrors = true;
  ev.folderStarted = [this](const std::string& folder, std::size_t) {
    tray_.SetTip(RoundTip(app_.LogRoot(), folder));
    TrayChanged();
  };
  ev.folderOpened = [this](const std::string& folder, int unread) { unreadBefore_[folder] = unread; };
  ev.folderDone = [this](const std::string& folder, int unread, const std::string& error) {
    auto before = unreadBefore_.find(folder);
    report_.AddUnread(folder, before == unreadBefore_.end() ? unread : before->second, unread);
    if (!error.empty()) AddError(folder, error);
  };
  return ev;
}

void TRoundRunner::AddError(const std::string& folder, const std::string& message) {
  report_.AddError(folder, message, NowDate());
  if (view_) view_->ReportChanged();
}

void TRoundRunner::EndOfRound() {
  unreadBefore_.clear();
  if (report_.RoundErrors() > 0 || report_.RoundFailures() > 0)
    Notify(RoundErrorNews(report_.RoundErrors(), report_.RoundFailures()), true, std::string());
  if (app_.Settings.newsNotify && !report_.RoundNews().empty())
    Notify(NewArticlesNews(app_.LogRoot(), report_.RoundNews()), false, report_.RoundNews().front().folder);
}

void TRoundRunner::Notify(const NewsText& text, bool error, const std::string& clickFolder) {
  if (text.text.empty()) return;
  messageFolder_ = clickFolder;
  if (view_) view_->Notify(text, error);
}

void TRoundRunner::ClearReport() {
  report_.Clear();
  if (view_) view_->ReportChanged();
}

}  // namespace bq::app
