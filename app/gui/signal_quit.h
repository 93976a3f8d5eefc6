#pragma once
// SIGTERM, SIGINT and SIGHUP close the desktop program as its 終了 does: the
// run is stopped, the settings, the log and the root definition are saved,
// then the program ends. The handler only writes to a pipe; the event loop
// reads it and triggers the quit command. A second signal ends the program
// at once.
#include <QObject>
#include <functional>

namespace bq::gui {

class SignalQuit : public QObject {
  Q_OBJECT
 public:
  // quit runs on the event loop when the first of the signals arrives.
  explicit SignalQuit(std::function<void()> quit, QObject* parent = nullptr);
  ~SignalQuit() override;
  SignalQuit(const SignalQuit&) = delete;
  SignalQuit& operator=(const SignalQuit&) = delete;

 private:
  int pipe_[2] = {-1, -1};
};

}  // namespace bq::gui
