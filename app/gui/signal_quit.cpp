#include "app/gui/signal_quit.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

#include "platform/stop_signals.h"

namespace bq::gui {

SignalQuit::SignalQuit(std::function<void()> quit, QObject* parent) : QObject(parent) {
  if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    // Without the pipe the signals keep their default: they end the program.
    ReleaseStopSignals();
    return;
  }
  auto* notifier = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this, quit = std::move(quit)] {
    char drain[16];
    while (::read(pipe_[0], drain, sizeof drain) > 0) {
    }
    quit();
  });
  CatchStopSignals(pipe_[1]);
}

SignalQuit::~SignalQuit() {
  if (pipe_[0] < 0) return;
  ReleaseStopSignals();
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

}  // namespace bq::gui
