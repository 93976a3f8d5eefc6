#pragma once
// The tray icon's image and tip as rounds, fetches and the window change them.
//
// NORMAL when idle. A round or fetch shows ICON0 at once, then every 400 ms
// the next of ICON1 ... ICON7, ICON0, ICON1 ... with the current tip (the
// folder being run, " 巡回中..."). When it ends the icon is NORMAL again with
// the application title as tip; a scheduled round that left unread articles
// while the window was hidden then turns it ACTIVE, until the window is shown.
#include <cstdint>
#include <string>

namespace bq::app {

inline constexpr std::uint32_t kTrayFrameMs = 400;

enum class TrayImage { Normal, Active, Icon0, Icon1, Icon2, Icon3, Icon4, Icon5, Icon6, Icon7 };

// "NORMAL", "ACTIVE", "ICON0" ... "ICON7".
const char* TrayImageName(TrayImage image);

class TTrayState {
 public:
  // title is the application title, the tip when idle (Shift_JIS).
  explicit TTrayState(std::string title = "Brindlequay") : title_(std::move(title)), tip_(title_) {}

  void StartAnimation();
  // One 400 ms step; nothing when no animation runs.
  void NextFrame();
  void StopAnimation();
  // Called after StopAnimation at the end of a scheduled round.
  void ScheduledRoundEnded(int roundTotal, bool windowHidden);
  // Showing the main window.
  void WindowShown();
  void SetTip(std::string tip) { tip_ = std::move(tip); }

  TrayImage Image() const { return image_; }
  const std::string& Tip() const { return tip_; }
  const std::string& Title() const { return title_; }
  bool Animating() const { return animating_; }

 private:
  std::string title_;
  std::string tip_;
  TrayImage image_ = TrayImage::Normal;
  bool animating_ = false;
};

// The tip while a folder is run: its path below the log root and " 巡回中..."
// (Shift_JIS).
std::string RoundTip(const std::string& logRoot, const std::string& folder);

}  // namespace bq::app
