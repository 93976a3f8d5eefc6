#include "app/core/dialogs/options_model.h"

#include <algorithm>
#include <cstdio>

#include "app/core/application.h"
#include "app/core/kernel.h"
#include "platform/fs.h"

namespace bq::app {

OptionsValues OptionsFrom(const TApplication& app) {
  const TInitParam& s = app.Settings;
  const TScrapList& log = TKernel::Log(app);
  OptionsValues v;
  v.dataFolder = app.DataFolder();
  v.statusDisp = s.statusDisp == 1 ? 1 : 0;
  v.dispClock = s.dispClock;
  v.sortByNew = s.sortByNew;
  v.dispRefer = s.dispRefer;
  v.toolbarIcon = s.toolbarIcon;
  v.startInTray = s.startInTray;
  v.fonts = {s.memoFont, s.listFont, s.titleFont};
  v.quoteColor = s.resColor;
  v.hours = log.ScheduleHours & kAllHours;
  v.minute = std::clamp<int>(log.ScheduleMinute, 0, 59);
  v.scheduleEnabled = log.ScheduleEnabled;
  v.httpTimeout = std::clamp(s.httpTimeout, 0, 7200);
  v.hostInterval = std::clamp(s.hostInterval, 0, 60000);
  v.newsNotify = s.newsNotify;
  v.unreadCounts = s.unreadCounts;
  return v;
}

OptionsOutcome ApplyOptions(TApplication& app, const OptionsValues& v) {
  TInitParam& s = app.Settings;
  TScrapList& log = TKernel::Log(app);
  s.memoFont = v.fonts[kMemoFont];
  s.listFont = v.fonts[kListFont];
  s.titleFont = v.fonts[kTitleFont];
  s.resColor = v.quoteColor;
  s.sortByNew = v.sortByNew;
  s.statusDisp = v.statusDisp;
  s.dispClock = v.dispClock;
  s.dispRefer = v.dispRefer;
  s.toolbarIcon = v.toolbarIcon;
  s.startInTray = v.startInTray;
  s.httpTimeout = std::clamp(v.httpTimeout, 0, 7200);
  s.hostInterval = std::clamp(v.hostInterval, 0, 60000);
  s.newsNotify = v.newsNotify;
  s.unreadCounts = v.unreadCounts;
  log.ScheduleEnabled = v.scheduleEnabled;
  log.ScheduleMinute = static_cast<std::uint16_t>(std::clamp(v.minute, 0, 59));
  log.ScheduleHours = 0;
  for (int h = 0; h < 24; ++h)
    if (v.hours & (1u << h)) log.ScheduleHours |= 1u << h;

  OptionsOutcome out;
  // The schedule belongs to the root open now.
  log.SaveRootDef();
  const std::string folder =
      v.dataFolder.empty() ? app.DataFolder() : fs::IncludeTrailingSeparator(v.dataFolder);
  if (folder != app.DataFolder()) {
    try {
      app.SetupFolders(folder);
      out.folderSetUp = true;
    } catch (const std::exception& e) {
      out.error = e.what();
      return out;
    }
  }
  s.logDir = folder;
  return out;
}

std::string FontLabel(const TFont& font) { return font.name + " , " + std::to_string(font.size) + " pt"; }

std::string ColorText(std::int32_t color) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%06X", static_cast<unsigned>(color) & 0xFFFFFFu);
  return buf;
}

Rgb ColorToRgb(std::int32_t color) {
  const auto c = static_cast<std::uint32_t>(color);
  return {static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF)};
}

std::int32_t RgbToColor(const Rgb& rgb) {
  auto byte = [](int v) { return static_cast<std::uint32_t>(std::clamp(v, 0, 255)); };
  return static_cast<std::int32_t>(byte(rgb.r) | byte(rgb.g) << 8 | byte(rgb.b) << 16);
}

}  // namespace bq::app
