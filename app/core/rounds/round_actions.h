#pragma once
// The round actions of the main window and the tray menu: caption and hint
// of each (Shift_JIS, converted where shown).
#include <string>

namespace bq::app {

enum class RoundActionId { Exec, Round, Timer, Stop, Skip, Switch };

struct ActionText {
  std::string caption;
  std::string hint;
};

// The schedule switch's caption follows its state: see TimerSwitchCaption.
ActionText RoundActionText(RoundActionId id);

}  // namespace bq::app
