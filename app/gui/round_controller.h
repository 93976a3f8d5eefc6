#pragma once
// RoundController runs the fetch, the round below the selected folder and
// the scheduled round on the application object, and keeps what the shell
// shows of them: the busy state of the actions, the schedule timer and its
// switch, the tray image and tip with their 400 ms animation, the round
// report and the tray messages at a round's end.
//
// The main window owns one, connects its signals to its own actions, status
// bar and tray icon, and gives it the few things only the window knows
// through the hooks below. Everything runs on the GUI thread: a round runs
// inside the slot that started it, and the event pump of the script machine
// keeps both timers, Stop and Skip alive meanwhile.
#include <QAction>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <map>
#include <string>

#include "app/core/application.h"
#include "app/core/shell/busy_state.h"
#include "app/core/rounds/round_report.h"
#include "app/core/rounds/schedule_timer.h"
#include "app/core/shell/tray_state.h"

namespace bq::gui {

class RoundController : public QObject {
  Q_OBJECT

 public:
  enum class Kind { Fetch, Round, Scheduled };

  explicit RoundController(app::TApplication& app, QObject* parent = nullptr);
  ~RoundController() override;

  // What the window knows. Unset hooks answer: no unsaved change, window
  // shown, no folder selected, the list as long as the log, the log's own
  // search text.
  std::function<bool()> editorDirty;
  std::function<bool()> windowHidden;
  std::function<std::string()> selectedFolder;
  std::function<int()> listRows;
  std::function<bool()> hasSearchText;

  QAction* execAction() const { return exec_; }
  QAction* roundAction() const { return round_; }
  QAction* timerAction() const { return timer_; }
  QAction* stopAction() const { return stop_; }
  QAction* skipAction() const { return skip_; }
  QAction* switchAction() const { return switch_; }
  // "巡回レポート" for the status bar and the tray menu: asks for the report.
  QAction* reportAction() const { return reportAction_; }

  // The tray icon to animate and to show messages on (may stay unset).
  void SetTrayIcon(QSystemTrayIcon* icon);

  void Fetch();
  void RoundBelow(const std::string& folder);
  void ScheduledRound();
  void Stop() { app_.Stop(); }
  void Skip() { app_.Skip(); }
  void ToggleSchedule();
  // The timer follows ScheduleEnabled again (after set-up or the options).
  void RefreshSchedule();
  // Dialogs hold the schedule timer off while open.
  void HoldSchedule();
  void ReleaseSchedule();
  // The main window was shown: the tray icon becomes NORMAL.
  void WindowShown();
  // Enters (enabled = false) or leaves the busy state; the workbench and the
  // export use it too. The rules come from app::BusyActions.
  void SetBusy(bool enabled, bool stoppable);
  // The enabled flags after the last SetBusy (or a re-evaluation).
  const app::ActionStates& Actions() const { return actions_; }
  void ReevaluateActions() { SetBusy(enabledFlag_, stoppableFlag_); }

  bool Running() const { return running_; }
  // Nothing runs: no round of ours and no busy state of the window's (a
  // command of a second start may ask for a round at any time).
  bool Idle() const { return !running_ && enabledFlag_; }
  const app::TRoundReport& Report() const { return report_; }

 public slots:
  void ClearReport();

 public:
  const app::TTrayState& Tray() const { return tray_; }
  const app::TScheduleTimer& Schedule() const { return schedule_; }
  QTimer& ScheduleTimer() { return scheduleTimer_; }
  // The schedule timer's tick (public for the tests' clock).
  void ScheduleTick(const app::ScheduleTime& now);

 signals:
  void busyChanged(bool enabled, bool stoppable);
  void trayChanged(const QString& imageName, const QString& tip);
  // A tray message: the news of new articles or the errors of a round.
  void notificationShown(const QString& title, const QString& text);
  void reportChanged();
  // Clicking the round's error message asks for the report.
  void reportRequested();
  // Clicking the news: the window is to be shown with this folder open.
  void openFolderRequested(const QByteArray& sjisFolder);
  void scheduleSwitched(bool on);
  // A fetch or round begins (a scheduled round selects the tree's top folder).
  void roundStarted(RoundController::Kind kind);
  // At the end of a fetch or round (the line is empty for a fetch): the
  // window reopens the folder selected in the tree, or the one given.
  void roundFinished(RoundController::Kind kind, const QString& roundLine, const QByteArray& sjisReselect);

 private:
  void MakeActions();
  void ApplyTimer();
  void ShowTray();
  void BeginAnimation();
  void EndAnimation();
  app::RoundEvents ReportingEvents();
  void EndOfRound();
  void Notify(const app::NewsText& text, const std::string& clickFolder);
  void OnTick();
  void OnFrame();
  void OnMessageClicked();

  app::TApplication& app_;
  app::TScheduleTimer schedule_;
  app::TTrayState tray_;
  app::TRoundReport report_;
  app::ActionStates actions_;
  std::map<std::string, int> unreadBefore_;
  QTimer scheduleTimer_;
  QTimer trayTimer_;
  QPointer<QSystemTrayIcon> trayIcon_;
  QAction *exec_ = nullptr, *round_ = nullptr, *timer_ = nullptr, *stop_ = nullptr, *skip_ = nullptr,
          *switch_ = nullptr, *reportAction_ = nullptr;
  std::string messageFolder_;  // the folder the last tray message opens ("" = the report)
  bool running_ = false;
  bool enabledFlag_ = true;
  bool stoppableFlag_ = false;
  bool waitCursor_ = false;
};

}  // namespace bq::gui
