#pragma once
// What a script and the round engine may ask of the desktop: message boxes,
// the input box, showing the main window, the clipboard, and opening an
// address, a mail address or a file with the user's default program.
// The console implementation serves the CLI; the recording one serves tests;
// the desktop shell supplies its own.
#include <string>
#include <string_view>
#include <vector>

namespace bq {

// Button sets and answers, as the Windows message box numbered them.
enum MessageButtons { kMbOk = 0, kMbOkCancel = 1, kMbYesNoCancel = 3, kMbYesNo = 4 };
enum MessageAnswer { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // text and caption are Shift_JIS.
  virtual int MessageBox(std::string_view text, std::string_view caption, int buttons) = 0;
  // Returns false on Cancel; value holds the default on entry, the answer on exit.
  virtual bool InputBox(std::string_view caption, std::string_view prompt, std::string& value) = 0;
  virtual void ShowWindow(int mode) = 0;
  virtual std::string ClipboardText() = 0;
  virtual void SetClipboardText(std::string_view text) = 0;
  // Opens an address, "mailto:" address or file; false if nothing could open it.
  virtual bool ShellOpen(std::string_view target) = 0;
};

// Messages go to stderr (UTF-8); questions are asked on the terminal when
// stdin is one, and answered Cancel (or the default button) otherwise.
class ConsoleUi : public UserInterface {
 public:
  int MessageBox(std::string_view text, std::string_view caption, int buttons) override;
  bool InputBox(std::string_view caption, std::string_view prompt, std::string& value) override;
  void ShowWindow(int mode) override;
  std::string ClipboardText() override { return clipboard_; }
  void SetClipboardText(std::string_view text) override { clipboard_ = text; }
  bool ShellOpen(std::string_view target) override;

 private:
  std::string clipboard_;
};

// One line typed on stdin, without its line end; false at the end of input.
// Read through stdio, so a console program needs no C++ streams (whose
// set-up every start would pay).
bool ReadStdinLine(std::string& line);

// Records every call and answers from queues, for tests.
class RecordingUi : public UserInterface {
 public:
  struct Call {
    std::string what;  // "MessageBox", "InputBox", "ShowWindow", "ShellOpen", "SetClipboard"
    std::string text;
    std::string caption;
    int number = 0;
  };
  int MessageBox(std::string_view text, std::string_view caption, int buttons) override;
  bool InputBox(std::string_view caption, std::string_view prompt, std::string& value) override;
  void ShowWindow(int mode) override;
  std::string ClipboardText() override { return clipboard; }
  void SetClipboardText(std::string_view text) override;
  bool ShellOpen(std::string_view target) override;

  std::vector<Call> calls;
  std::vector<int> messageAnswers;          // taken front first; kIdOk when empty
  std::vector<std::string> inputAnswers;    // taken front first; Cancel when empty
  std::string clipboard;
  bool shellOpens = true;  // false: no default program opens anything
};

}  // namespace bq
