#include "app/core/shell/tray_state.h"

#include "app/core/application.h"
#include "textlib/cp932.h"

namespace bq::app {

const char* TrayImageName(TrayImage image) {
  static constexpr const char* kNames[] = {"NORMAL", "ACTIVE", "ICON0", "ICON1", "ICON2",
                                           "ICON3",  "ICON4",  "ICON5", "ICON6", "ICON7"};
  static_assert(sizeof(kNames) / sizeof(kNames[0]) == static_cast<int>(TrayImage::Icon7) + 1);
  return kNames[static_cast<int>(image)];
}

void TTrayState::StartAnimation() {
  animating_ = true;
  image_ = TrayImage::Icon0;
}

void TTrayState::NextFrame() {
  if (!animating_) return;
  const int frame = static_cast<int>(image_) - static_cast<int>(TrayImage::Icon0);
  const int next = frame < 0 ? 1 : (frame + 1) % 8;
  image_ = static_cast<TrayImage>(static_cast<int>(TrayImage::Icon0) + next);
}

void TTrayState::StopAnimation() {
  animating_ = false;
  image_ = TrayImage::Normal;
  tip_ = title_;
}

void TTrayState::ScheduledRoundEnded(int roundTotal, bool windowHidden) {
  if (roundTotal > 0 && windowHidden && !animating_) {
    image_ = TrayImage::Active;
    tip_ = title_;
  }
}

void TTrayState::WindowShown() {
  if (animating_) return;  // the animation's own end restores NORMAL
  image_ = TrayImage::Normal;
  tip_ = title_;
}

std::string RoundTip(const std::string& logRoot, const std::string& folder) {
  return RelativeFolder(logRoot, folder) + Utf8ToSjis(" 巡回中...");
}

}  // namespace bq::app
