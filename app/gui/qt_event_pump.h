#pragma once
// The event pump of the desktop program: a running script and every network
// wait hand pending Qt events to the event loop, so Stop, Skip, timers and
// repaints act on the one thread that runs the machine.
#include "platform/events.h"

namespace bq::gui {

class TQtEventPump : public EventPump {
 public:
  void ProcessMessages() override;
};

}  // namespace bq::gui
