#include "app/gui/round_controller.h"

#include <QApplication>
#include <QCursor>

#include "app/core/rounds/round_actions.h"
#include "app/gui/round_icons.h"
#include "app/gui/qt_platform.h"
#include "textlib/dates.h"

namespace bq::gui {

RoundController::RoundController(app::TApplication& app, QObject* parent) : QObject(parent), app_(app) {
  MakeActions();
  scheduleTimer_.setSingleShot(false);
  connect(&scheduleTimer_, &QTimer::timeout, this, &RoundController::OnTick);
  trayTimer_.setInterval(static_cast<int>(app::kTrayFrameMs));
  connect(&trayTimer_, &QTimer::timeout, this, &RoundController::OnFrame);
  RefreshSchedule();
}

RoundController::~RoundController() {
  if (waitCursor_) QApplication::restoreOverrideCursor();
}

void RoundController::MakeActions() {
  auto make = [this](app::RoundActionId id) {
    app::ActionText t = app::RoundActionText(id);
    auto* a = new QAction(RoundActionIcon(id), FromSjis(t.caption), this);
    a->setToolTip(FromSjis(t.hint));
    a->setStatusTip(FromSjis(t.hint));
    return a;
  };
  exec_ = make(app::RoundActionId::Exec);
  round_ = make(app::RoundActionId::Round);
  timer_ = make(app::RoundActionId::Timer);
  stop_ = make(app::RoundActionId::Stop);
  skip_ = make(app::RoundActionId::Skip);
  switch_ = make(app::RoundActionId::Switch);
  stop_->setEnabled(false);
  skip_->setEnabled(false);
  connect(exec_, &QAction::triggered, this, [this] { Fetch(); });
  connect(round_, &QAction::triggered, this, [this] {
    if (selectedFolder) RoundBelow(selectedFolder());
  });
  connect(timer_, &QAction::triggered, this, [this] { ScheduledRound(); });
  connect(stop_, &QAction::triggered, this, [this] { Stop(); });
  connect(skip_, &QAction::triggered, this, [this] { Skip(); });
  connect(switch_, &QAction::triggered, this, [this] { ToggleSchedule(); });
  // Not part of the busy state: the report can be read while a round runs.
  reportAction_ = new QAction(QStringLiteral("巡回レポート"), this);
  reportAction_->setStatusTip(QStringLiteral("巡回中のエラーを表示する"));
  connect(reportAction_, &QAction::triggered, this, &RoundController::reportRequested);
}

void RoundController::SetTrayIcon(QSystemTrayIcon* icon) {
  if (trayIcon_) disconnect(trayIcon_, nullptr, this, nullptr);
  trayIcon_ = icon;
  if (!icon) return;
  connect(icon, &QSystemTrayIcon::messageClicked, this, &RoundController::OnMessageClicked);
  ShowTray();
}

// --- busy state ---

void RoundController::SetBusy(bool enabled, bool stoppable) {
  enabledFlag_ = enabled;
  stoppableFlag_ = stoppable;
  app::BusyInput in;
  in.enabled = enabled;
  in.stoppable = stoppable;
  in.hasExport = app_.HasExport();
  in.logCount = app_.Log.Count();
  in.folderIsLogRoot = app_.Log.FolderPath().empty() || app_.Log.FolderPath() == app_.LogRoot();
  in.hasSearchText = hasSearchText ? hasSearchText() : !app_.Log.SearchText().empty();
  in.listRows = listRows ? listRows() : in.logCount;
  actions_ = app::BusyActions(in);
  for (QAction* a : {exec_, round_, timer_, switch_}) a->setEnabled(actions_.general);
  stop_->setEnabled(actions_.stop);
  skip_->setEnabled(actions_.skip);
  if (actions_.waitCursor != waitCursor_) {
    waitCursor_ = actions_.waitCursor;
    if (waitCursor_)
      QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    else
      QApplication::restoreOverrideCursor();
  }
  emit busyChanged(enabled, stoppable);
}

// --- schedule ---

void RoundController::ApplyTimer() {
  const bool on = schedule_.Active();
  if (!on) {
    scheduleTimer_.stop();
  } else if (!scheduleTimer_.isActive() ||
             scheduleTimer_.interval() != static_cast<int>(schedule_.Interval())) {
    scheduleTimer_.start(static_cast<int>(schedule_.Interval()));
  }
}

void RoundController::RefreshSchedule() {
  schedule_.SetEnabled(app_.Log.ScheduleEnabled);
  switch_->setText(QString::fromStdString(app::TimerSwitchCaption(app_.Log.ScheduleEnabled)));
  switch_->setIcon(ScheduleSwitchIcon(app_.Log.ScheduleEnabled));
  ApplyTimer();
}

void RoundController::ToggleSchedule() {
  app::ToggleSchedule(app_.Log);
  RefreshSchedule();
  emit scheduleSwitched(app_.Log.ScheduleEnabled);
}

void RoundController::HoldSchedule() {
  schedule_.Hold();
  ApplyTimer();
}

void RoundController::ReleaseSchedule() {
  schedule_.Release();
  ApplyTimer();
}

void RoundController::OnTick() {
  const DateParts d = DecodeDate(NowDate());
  ScheduleTick({d.year, d.month, d.day, d.hour, d.minute});
}

void RoundController::ScheduleTick(const app::ScheduleTime& now) {
  // While anything runs (a workbench run, an export) a round would reset the
  // machine under it; the next tick, 5 s on, tries again.
  if (!Idle()) return;
  const bool due = schedule_.Tick(app_.Log, now, editorDirty && editorDirty());
  ApplyTimer();
  if (due) ScheduledRound();
}

// --- tray ---

void RoundController::ShowTray() {
  const QString name = QString::fromLatin1(app::TrayImageName(tray_.Image()));
  const QString tip = FromSjis(tray_.Tip());
  if (trayIcon_) {
    trayIcon_->setIcon(TrayIcon(tray_.Image()));
    trayIcon_->setToolTip(tip);
  }
  emit trayChanged(name, tip);
}

void RoundController::BeginAnimation() {
  tray_.StartAnimation();
  trayTimer_.start();
  ShowTray();
}

void RoundController::EndAnimation() {
  trayTimer_.stop();
  tray_.StopAnimation();
  ShowTray();
}

void RoundController::OnFrame() {
  tray_.NextFrame();
  ShowTray();
}

void RoundController::WindowShown() {
  tray_.WindowShown();
  ShowTray();
}

void RoundController::Notify(const app::NewsText& text, const std::string& clickFolder) {
  if (text.text.empty()) return;
  messageFolder_ = clickFolder;
  const QString title = FromSjis(text.title), body = FromSjis(text.text);
  if (trayIcon_ && trayIcon_->isVisible() && QSystemTrayIcon::supportsMessages())
    trayIcon_->showMessage(title, body,
                           clickFolder.empty() ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
  emit notificationShown(title, body);
}

void RoundController::OnMessageClicked() {
  if (messageFolder_.empty()) {
    emit reportRequested();
    return;
  }
  WindowShown();
  emit openFolderRequested(QByteArray::fromStdString(messageFolder_));
}

// --- rounds ---

app::RoundEvents RoundController::ReportingEvents() {
  app::RoundEvents ev;
  ev.quietErrors = true;
  ev.folderStarted = [this](const std::string& folder, std::size_t) {
    tray_.SetTip(app::RoundTip(app_.LogRoot(), folder));
    ShowTray();
  };
  ev.folderOpened = [this](const std::string& folder, int unread) { unreadBefore_[folder] = unread; };
  ev.folderDone = [this](const std::string& folder, int unread, const std::string& error) {
    auto before = unreadBefore_.find(folder);
    report_.AddUnread(folder, before == unreadBefore_.end() ? unread : before->second, unread);
    if (!error.empty()) {
      report_.AddError(folder, error, NowDate());
      emit reportChanged();
    }
  };
  return ev;
}

void RoundController::EndOfRound() {
  unreadBefore_.clear();
  if (report_.RoundErrors() > 0) Notify(app::RoundErrorNews(report_.RoundErrors()), std::string());
  if (app_.Settings.newsNotify && !report_.RoundNews().empty())
    Notify(app::NewArticlesNews(app_.LogRoot(), report_.RoundNews()), report_.RoundNews().front().folder);
}

void RoundController::ClearReport() {
  report_.Clear();
  emit reportChanged();
}

void RoundController::Fetch() {
  if (!Idle()) return;
  running_ = true;
  SetBusy(false, true);
  HoldSchedule();
  BeginAnimation();
  emit roundStarted(Kind::Fetch);
  try {
    app_.ExecAction();
  } catch (const std::exception& e) {
    // A fetch by hand has someone watching: its error is shown at once.
    app_.Ui.MessageBox(e.what(), app_.Caption, kMbOk);
  }
  EndAnimation();
  running_ = false;
  SetBusy(true, false);
  ReleaseSchedule();
  emit roundFinished(Kind::Fetch, QString(), QByteArray());
}

void RoundController::RoundBelow(const std::string& folder) {
  if (!Idle() || folder.empty()) return;
  running_ = true;
  HoldSchedule();
  SetBusy(false, true);
  report_.BeginRound();
  BeginAnimation();
  emit roundStarted(Kind::Round);
  std::string line;
  try {
    line = app_.RoundAction(folder, ReportingEvents());
  } catch (const std::exception& e) {
    report_.AddError(folder, e.what(), NowDate());
    emit reportChanged();
  }
  EndAnimation();
  EndOfRound();
  running_ = false;
  SetBusy(true, false);
  ReleaseSchedule();
  emit roundFinished(Kind::Round, FromSjis(line), QByteArray());
}

void RoundController::ScheduledRound() {
  if (!Idle()) return;
  const std::string remembered = selectedFolder ? selectedFolder() : std::string();
  running_ = true;
  HoldSchedule();
  SetBusy(false, true);
  report_.BeginRound();
  BeginAnimation();
  emit roundStarted(Kind::Scheduled);
  int total = 0;
  app::RoundEvents ev = ReportingEvents();
  auto done = ev.folderDone;
  ev.folderDone = [&total, done](const std::string& folder, int unread, const std::string& error) {
    total += unread;
    done(folder, unread, error);
  };
  std::string line;
  try {
    line = app_.TimerAction(ev);
  } catch (const std::exception& e) {
    report_.AddError(app_.LogRoot(), e.what(), NowDate());
    emit reportChanged();
  }
  EndAnimation();
  tray_.ScheduledRoundEnded(total, windowHidden && windowHidden());
  ShowTray();
  schedule_.RoundDone();
  EndOfRound();
  running_ = false;
  SetBusy(true, false);
  ReleaseSchedule();
  emit roundFinished(Kind::Scheduled, FromSjis(line), QByteArray::fromStdString(remembered));
}

}  // namespace bq::gui
