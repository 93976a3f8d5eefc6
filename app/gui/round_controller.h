#pragma once
// The desktop's side of rounds: the core's round runner (fetch, round below
// the selected folder, scheduled round, with their busy state, tray image,
// report and messages) driven by the two Qt timers it needs (the schedule's
// tick and the tray animation's frames), the round commands it owns
// (ExecAction, RoundAction, TimerAction, StopAction, SkipAction,
// TimerSwitch, RoundReportAction), and signals for what the window shows.
//
// Everything runs on the GUI thread: a round runs inside the slot that
// started it, and the event pump of the script machine keeps both timers,
// Stop and Skip alive meanwhile.
#include <QObject>
#include <QTimer>
#include <string>

#include "app/core/application.h"
#include "app/core/rounds/round_runner.h"

namespace bq::gui {

class CommandActions;

class RoundController : public QObject, private app::TRoundRunner::View {
  Q_OBJECT

 public:
  using Kind = app::TRoundRunner::Kind;

  RoundController(app::TApplication& app, CommandActions& commands, QObject* parent = nullptr);

  app::TRoundRunner& Runner() { return runner_; }
  const app::TRoundRunner& Runner() const { return runner_; }
  // The folder the tree shows (the round below it; selected again after a
  // scheduled round); empty when none.
  void SetSelectedFolder(std::string folder) { selected_ = std::move(folder); }
  // The schedule timer's tick at now (local seconds); public for the tests' clock.
  void ScheduleTick(std::uint32_t now);
  QTimer& ScheduleTimer() { return scheduleTimer_; }
  // Clicking the last tray message.
  void MessageClicked();

 signals:
  void trayChanged();
  // A tray message: the news of new articles, or the errors of a round.
  void notificationShown(const QString& title, const QString& text, bool error);
  void reportChanged();
  // The round report is asked for (its command, or a click on an error message).
  void reportRequested();
  // Clicking the news: the window is to be shown with this folder open.
  void openFolderRequested(const QByteArray& sjisFolder);
  void roundStarted(RoundController::Kind kind);
  // At the end of a fetch or round (the line is empty for a fetch): the
  // window reopens the folder selected in the tree, or the one given.
  void roundFinished(RoundController::Kind kind, const QString& roundLine, const QByteArray& sjisReselect);

 private:
  // TRoundRunner::View
  void TrayChanged() override;
  void ReportChanged() override { emit reportChanged(); }
  void Notify(const app::NewsText& news, bool error) override;
  void RoundStarted(Kind kind) override { emit roundStarted(kind); }
  void RoundFinished(Kind kind, const std::string& line, const std::string& reselect) override;

  void FollowSchedule();

  app::TApplication& app_;
  CommandActions& commands_;
  app::TRoundRunner runner_;
  std::string selected_;
  QTimer scheduleTimer_;
  QTimer trayTimer_;
};

}  // namespace bq::gui
