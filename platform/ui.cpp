#include "platform/ui.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "textlib/cp932.h"

namespace bq {

bool ReadStdinLine(std::string& line) {
  char* buf = nullptr;
  std::size_t size = 0;
  const ssize_t n = ::getline(&buf, &size, stdin);
  if (n >= 0) line.assign(buf, static_cast<std::size_t>(n) - (n > 0 && buf[n - 1] == '\n' ? 1 : 0));
  std::free(buf);
  return n >= 0;
}

int ConsoleUi::MessageBox(std::string_view text, std::string_view caption, int buttons) {
  std::string line = SjisToUtf8(caption);
  if (!line.empty()) line += ": ";
  line += SjisToUtf8(text);
  std::fprintf(stderr, "%s\n", line.c_str());
  if (buttons == kMbOk) return kIdOk;
  if (!isatty(STDIN_FILENO)) return buttons == kMbOkCancel ? kIdCancel : kIdCancel;
  const char* choices = buttons == kMbOkCancel ? "[o]k/[c]ancel" : buttons == kMbYesNo ? "[y]es/[n]o" : "[y]es/[n]o/[c]ancel";
  std::fprintf(stderr, "%s? ", choices);
  std::string answer;
  if (!ReadStdinLine(answer) || answer.empty()) return kIdCancel;
  switch (answer[0]) {
    case 'o': case 'O': return kIdOk;
    case 'y': case 'Y': return kIdYes;
    case 'n': case 'N': return buttons == kMbOkCancel ? kIdCancel : kIdNo;
    default: return kIdCancel;
  }
}

bool ConsoleUi::InputBox(std::string_view caption, std::string_view prompt, std::string& value) {
  if (!isatty(STDIN_FILENO)) return false;
  std::fprintf(stderr, "%s %s [%s]: ", SjisToUtf8(caption).c_str(), SjisToUtf8(prompt).c_str(),
               SjisToUtf8(value).c_str());
  std::string answer;
  if (!ReadStdinLine(answer)) return false;
  if (!answer.empty()) value = Utf8ToSjis(answer);
  return true;
}

void ConsoleUi::ShowWindow(int) {}

bool ConsoleUi::ShellOpen(std::string_view target) {
  std::fprintf(stderr, "open: %s\n", SjisToUtf8(target).c_str());
  return true;
}

int RecordingUi::MessageBox(std::string_view text, std::string_view caption, int buttons) {
  calls.push_back({"MessageBox", std::string(text), std::string(caption), buttons});
  if (messageAnswers.empty()) return kIdOk;
  int a = messageAnswers.front();
  messageAnswers.erase(messageAnswers.begin());
  return a;
}

bool RecordingUi::InputBox(std::string_view caption, std::string_view prompt, std::string& value) {
  calls.push_back({"InputBox", std::string(prompt), std::string(caption), 0});
  if (inputAnswers.empty()) return false;
  value = inputAnswers.front();
  inputAnswers.erase(inputAnswers.begin());
  return true;
}

void RecordingUi::ShowWindow(int mode) { calls.push_back({"ShowWindow", "", "", mode}); }

void RecordingUi::SetClipboardText(std::string_view text) {
  clipboard = text;
  calls.push_back({"SetClipboard", std::string(text), "", 0});
}

bool RecordingUi::ShellOpen(std::string_view target) {
  calls.push_back({"ShellOpen", std::string(target), "", 0});
  return shellOpens;
}

}  // namespace bq
