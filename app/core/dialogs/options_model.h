#pragma once
// The options dialog "オプション設定": the values its pages show, and what OK
// changes in the settings, the schedule and the data folder.
#include <array>
#include <cstdint>
#include <string>

#include "app/core/rounds/schedule.h"
#include "web/initparam.h"

namespace bq::app {

class TApplication;

// Which font the "表示フォント" page edits: reader body, article list,
// reader title panel (the order of its radio group).
enum FontSlot { kMemoFont = 0, kListFont = 1, kTitleFont = 2 };

struct OptionsValues {
  // "全般"
  std::string dataFolder;  // Shift_JIS
  int statusDisp = 0;      // 0 latest article's date, 1 last round's date
  bool dispClock = true;
  bool sortByNew = true;
  bool dispRefer = true;
  bool toolbarIcon = true;
  bool startInTray = false;
  bool unreadCounts = true;  // the tree's "name (7)"
  // "表示フォント"
  std::array<TFont, 3> fonts;
  std::int32_t quoteColor = 8421504;
  // "巡回"
  HourChecks hours = 0;
  int minute = 0;  // 0..59
  bool scheduleEnabled = false;
  int httpTimeout = 0;  // seconds, 0..7200, 0 = none
  bool newsNotify = true;
  int hostInterval = 0;  // ms between two requests to one server, 0..60000, 0 = off
};

OptionsValues OptionsFrom(const TApplication& app);

// What the window has to follow after OK.
struct OptionsOutcome {
  bool folderSetUp = false;  // the data folder changed: the tree is rooted anew
  std::string error;         // the data folder was kept: why (Shift_JIS)
};
// OK: settings, schedule, weblog.def written; then the folder set-up runs
// again only when the data folder changed, compared with its trailing
// separator and case-sensitively (an empty entry keeps the current folder).
// The editor's unsaved script is written first; when it may not be left the
// data folder stays, and the outcome says why.
OptionsOutcome ApplyOptions(TApplication& app, const OptionsValues& values);

// The font label: "name , size pt" (Shift_JIS).
std::string FontLabel(const TFont& font);
// The quote colour as "$" and six hex digits of the stored value (blue,
// green, red from the high byte down, as the settings keep it).
std::string ColorText(std::int32_t color);
struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
Rgb ColorToRgb(std::int32_t color);
std::int32_t RgbToColor(const Rgb& rgb);

}  // namespace bq::app
