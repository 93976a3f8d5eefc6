#include "app/gui/round_controller.h"

#include "app/controls/qt_text.h"
#include "app/core/shell/tray_state.h"
#include "app/gui/command_actions.h"

namespace bq::gui {

RoundController::RoundController(app::TApplication& app, CommandActions& commands, QObject* parent)
    : QObject(parent), app_(app), commands_(commands), runner_(app, this) {
  using app::Command;
  auto on = [this, &commands](Command c, auto slot) { connect(commands.Get(c), &QAction::triggered, this, slot); };
  on(Command::ExecAction, [this] { runner_.Fetch(); });
  on(Command::RoundAction, [this] { runner_.RoundBelow(selected_); });
  on(Command::TimerAction, [this] { runner_.ScheduledRound(selected_); });
  on(Command::StopAction, [this] { app_.Stop(); });
  on(Command::SkipAction, [this] { app_.Skip(); });
  on(Command::TimerSwitch, [this] {
    app_.ToggleSchedule();
    commands_.Refresh();
  });
  on(Command::RoundReportAction, [this] { emit reportRequested(); });
  connect(&scheduleTimer_, &QTimer::timeout, this, [this] {
    runner_.ScheduleTick(selected_);
    FollowSchedule();
  });
  trayTimer_.setInterval(static_cast<int>(app::kTrayFrameMs));
  connect(&trayTimer_, &QTimer::timeout, this, [this] { runner_.NextTrayFrame(); });
  // The schedule timer counts while the schedule is on and nothing holds
  // it, and a workbench run animates the tray: both follow every change of
  // the commands' states.
  connect(&commands, &CommandActions::applied, this, [this] {
    runner_.FollowBusy();
    FollowSchedule();
  });
  FollowSchedule();
}

void RoundController::FollowSchedule() {
  if (!runner_.ScheduleActive()) {
    scheduleTimer_.stop();
    return;
  }
  const int interval = static_cast<int>(runner_.ScheduleInterval());
  if (!scheduleTimer_.isActive() || scheduleTimer_.interval() != interval) scheduleTimer_.start(interval);
}

void RoundController::ScheduleTick(std::uint32_t now) {
  runner_.ScheduleTick(now, selected_);
  FollowSchedule();
}

void RoundController::TrayChanged() {
  if (runner_.Tray().Animating() != trayTimer_.isActive()) {
    if (runner_.Tray().Animating())
      trayTimer_.start();
    else
      trayTimer_.stop();
  }
  emit trayChanged();
}

void RoundController::Notify(const app::NewsText& news, bool error) {
  emit notificationShown(FromSjis(news.title), FromSjis(news.text), error);
}

void RoundController::MessageClicked() {
  if (runner_.MessageFolder().empty()) {
    emit reportRequested();
    return;
  }
  runner_.WindowShown();
  emit openFolderRequested(QByteArray::fromStdString(runner_.MessageFolder()));
}

void RoundController::RoundFinished(Kind kind, const std::string& line, const std::string& reselect) {
  emit roundFinished(kind, FromSjis(line), QByteArray::fromStdString(reselect));
}

}  // namespace bq::gui
