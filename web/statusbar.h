#pragma once
// Where the page fetcher shows what it is doing: three panels, 0 the state,
// 1 the detail or progress, 2 the address.
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "textlib/cp932.h"

namespace bq {

class IStatusBar {
 public:
  virtual ~IStatusBar() = default;
  virtual void SetPanel(int panel, const std::string& text) = 0;
};

// Keeps the panels' texts, and every change, for tests.
class TStatusPanels : public IStatusBar {
 public:
  void SetPanel(int panel, const std::string& text) override {
    if (panel < 0 || panel > 2) return;
    panels[static_cast<size_t>(panel)] = text;
    history.push_back(std::to_string(panel) + ":" + text);
  }
  std::array<std::string, 3> panels;
  std::vector<std::string> history;
};

// Prints every change as "[panel] text" in UTF-8 on a stream (the CLI's
// --verbose output on stderr).
class TConsoleStatusBar : public IStatusBar {
 public:
  explicit TConsoleStatusBar(std::FILE* out) : out_(out) {}
  void SetPanel(int panel, const std::string& text) override {
    if (text.empty()) return;
    std::fprintf(out_, "[%d] %s\n", panel, SjisToUtf8(text).c_str());
  }

 private:
  std::FILE* out_;
};

}  // namespace bq
