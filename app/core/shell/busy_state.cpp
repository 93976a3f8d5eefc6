#include "app/core/shell/busy_state.h"

namespace bq::app {

TBusyState::Scope TBusyState::Enter(Activity activity, bool stoppable) {
  if (Busy() || activity == Activity::None) return Scope(nullptr, false);
  running_ = activity;
  stoppable_ = stoppable;
  Changed();
  return Scope(this, false);
}

TBusyState::Scope TBusyState::OpenDialog() {
  ++dialogs_;
  Changed();
  return Scope(this, true);
}

void TBusyState::Leave(bool dialog) {
  if (dialog) {
    if (dialogs_ > 0) --dialogs_;
  } else {
    running_ = Activity::None;
    stoppable_ = false;
  }
  Changed();
}

void TBusyState::Changed() {
  if (OnChange) OnChange();
}

}  // namespace bq::app
