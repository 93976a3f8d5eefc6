#pragma once
// The platform interfaces of the core, answered by Qt: message and input
// boxes, showing the window, the clipboard, opening with the default
// program, and the event pump.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <string>
#include <string_view>

#include "app/controls/qt_text.h"
#include "platform/events.h"
#include "platform/ui.h"

namespace bq::gui {

class QtUi : public QObject, public UserInterface {
  Q_OBJECT
 public:
  int MessageBox(std::string_view text, std::string_view caption, int buttons) override;
  bool InputBox(std::string_view caption, std::string_view prompt, std::string& value) override;
  void ShowWindow(int mode) override;
  std::string ClipboardText() override;
  void SetClipboardText(std::string_view text) override;
  bool ShellOpen(std::string_view target) override;

  // The owner of dialogs.
  QPointer<QWidget> parent;

 signals:
  // SHOWWINDOW of a script: 0 hides the main window, anything else shows it.
  void showWindowRequested(int mode);
};

class QtPump : public EventPump {
 public:
  void ProcessMessages() override;
};

}  // namespace bq::gui
