#pragma once
// The platform interfaces of the core, answered by Qt: message and input
// boxes, showing the window, the clipboard, opening with the default
// program, and the event pump. Also the conversions at the widget edge:
// Shift_JIS text <-> QString, the settings' fonts <-> QFont.
#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

#include "platform/events.h"
#include "platform/ui.h"
#include "web/initfile.h"

namespace bq::gui {

QString FromSjis(std::string_view sjis);
std::string ToSjis(const QString& text);
// OS paths (UTF-8) <-> the system's paths (Shift_JIS).
std::string SystemPath(const QString& osPath);
QString OsPath(std::string_view systemPath);

QFont ToQFont(const TFont& font);
void StoreQFont(const QFont& qfont, TFont& font);

class QtUi : public UserInterface {
 public:
  int MessageBox(std::string_view text, std::string_view caption, int buttons) override;
  bool InputBox(std::string_view caption, std::string_view prompt, std::string& value) override;
  void ShowWindow(int mode) override;
  std::string ClipboardText() override;
  void SetClipboardText(std::string_view text) override;
  bool ShellOpen(std::string_view target) override;

  // The owner of dialogs and the window SHOWWINDOW acts on.
  QPointer<QWidget> parent;
  std::function<void(int mode)> onShowWindow;
};

class QtPump : public EventPump {
 public:
  void ProcessMessages() override;
};

}  // namespace bq::gui
