// The command table, the busy state and the enabling rules, without a
// display: rows of the table as the Parts name them, the places built from
// it, and which commands a state enables.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/core/shell/busy_state.h"
#include "app/core/shell/command_rules.h"
#include "app/core/shell/commands.h"

namespace bq::test {
namespace {

using app::Command;
using app::Place;

TEST(CommandTable, OneRowACommandWithAUniqueNameAndTheCaptionsOfTheParts) {
  std::set<std::string_view> names;
  for (const app::CommandInfo& c : app::kCommands) {
    EXPECT_TRUE(names.insert(c.name).second) << c.name;
    EXPECT_EQ(app::CommandNamed(c.name), c.id) << c.name;
    EXPECT_FALSE(c.caption.empty()) << c.name;
  }
  EXPECT_EQ(app::CommandNamed("NoSuchAction"), std::nullopt);
  struct Row {
    Command id;
    std::string_view caption, hint;
  };
  const Row rows[] = {
      {Command::ExecAction, "取得", "選択中フォルダの記事を取得する"},
      {Command::RoundAction, "巡回", "選択フォルダ下を巡回して記事を取得する"},
      {Command::TimerAction, "定時巡回", "指定時間での巡回"},
      {Command::StopAction, "実行中止", "処理を中断する"},
      {Command::SkipAction, "スキップ", "HTTP読込みだけを中断する"},
      {Command::TimerSwitch, "OFF", "定時巡回の ON / OFF"},
      {Command::GoAction, "実行", "スクリプト実行"},
      {Command::StepAction, "ステップ実行", "一行ステップ実行"},
      {Command::TraceAction, "トレース", "１命令実行"},
      {Command::ExecInit, "リセット", "レジスタの初期化"},
      {Command::ChangeView, "コード表示", "ビューをツリーに戻す"},
      {Command::PropertyAction, "プロパティ", "フォルダ設定"},
      {Command::ExportAction, "ログ出力", "フォルダ内のデータを出力"},
      {Command::CacheOldAction, "8日以上経ったもの", "古いキャッシュファイルを消去"},
      {Command::CacheAllAction, "全てのファイル", "キャッシュを消去"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(app::CommandOf(r.id).caption, r.caption) << app::CommandOf(r.id).name;
    EXPECT_EQ(app::CommandOf(r.id).hint, r.hint) << app::CommandOf(r.id).name;
  }
  EXPECT_EQ(app::CommandOf(Command::NextAction).keys[0], "Space");
  EXPECT_EQ(app::CommandOf(Command::NextAction).keys[1], "Ctrl+Down");
  EXPECT_EQ(app::CommandOf(Command::FindPrevAction).keys[1], "Ctrl+P");
  EXPECT_EQ(app::CommandOf(Command::GoAction).keys[0], "F9");
  EXPECT_EQ(app::CommandOf(Command::NextAction).scope, app::KeyScope::Articles);
  EXPECT_EQ(app::CommandOf(Command::BelowAction).scope, app::KeyScope::DataLogPage);
  EXPECT_EQ(app::CommandOf(Command::StepAction).scope, app::KeyScope::ScriptPage);
}

// A submenu as a place's text shows it: its number in brackets.
std::string SubMenuText(Place place) {
  std::string text(1, '[');
  text += std::to_string(static_cast<int>(place));
  text += ']';
  return text;
}

// A place as text: command names, submenus in brackets, "-" for separators.
std::vector<std::string> Layout(Place place) {
  std::vector<std::string> out;
  for (const app::PlacedItem& item : app::ItemsAt(place)) {
    switch (item.kind) {
      case app::PlacedItem::Separator: out.push_back("-"); break;
      case app::PlacedItem::CommandItem: out.emplace_back(app::CommandOf(item.command).name); break;
      case app::PlacedItem::SubMenu: out.push_back(SubMenuText(item.subMenu)); break;
    }
  }
  return out;
}

TEST(CommandTable, PlacesListTheirCommandsInOrderWithSeparatorsBetweenGroups) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Layout(Place::MainBar), (V{"ExecAction", "RoundAction", "TimerAction", "TimerSwitch", "StopAction",
                                       "SkipAction", "-", "NewFolderAction", "PropertyAction", "-", "OptionAction",
                                       "HelpAction"}));
  EXPECT_EQ(Layout(Place::TrayMenu), (V{"ExecAction", "RoundAction", "TimerSwitch", "RoundReportAction", "-",
                                        "OptionAction", "HelpAction", "AboutAction", "-", "ExitAction"}));
  const std::string history = SubMenuText(Place::HistoryMenu);
  const std::string cache = SubMenuText(Place::CacheMenu);
  EXPECT_EQ(Layout(Place::FileMenu), (V{history, "NextLogDirAction", "-", "ExportAction", "RoundLogAction", cache,
                                        "ExportOpmlAction", "ImportOpmlAction", "-", "HideAction", "ExitAction"}));
  EXPECT_EQ(Layout(Place::HelpMenu), (V{"HelpAction", "GuideAction", "-", "AboutAction"}));
  EXPECT_EQ(Layout(Place::RoundMenu), (V{"ExecAction", "RoundAction", "TimerAction", "-", "StopAction", "SkipAction",
                                         "-", "TimerSwitch", "-", "RoundReportAction"}));
  EXPECT_EQ(Layout(Place::ListMenu), (V{"ReadAction", "UnreadAction", "DeleteAction", "SelectAllAction", "DupAction",
                                        "BrowseAction"}));
  EXPECT_EQ(Layout(Place::DebugBar),
            (V{"GoAction", "StepAction", "TraceAction", "ExecInit", "-", "RunFromCache", "-", "ChangeView"}));
  // Every command the user can reach stands somewhere; the editor's own
  // reference key acts in the editor alone.
  for (const app::CommandInfo& c : app::kCommands) {
    const bool placed = std::any_of(c.places.begin(), c.places.end(),
                                    [](const app::Slot& s) { return s.place != Place::None; });
    EXPECT_EQ(placed, c.id != Command::ReferenceAction) << c.name;
  }
}

// Every key means one command wherever the focus is: the narrowest place's
// (the editor's F1 opens the reference, F1 anywhere else the help).
TEST(CommandTable, EveryKeyMeansOneCommandInEachPlace) {
  using K = app::KeyScope;
  struct Case {
    K focus;
    std::string_view key;
    std::optional<Command> meant;
  };
  const Case cases[] = {
      {K::Editor, "F1", Command::ReferenceAction},  {K::ScriptPage, "F1", Command::HelpAction},
      {K::DataLogPage, "F1", Command::HelpAction},  {K::Window, "F1", Command::HelpAction},
      {K::Editor, "F9", Command::GoAction},         {K::DataLogPage, "F9", std::nullopt},
      {K::DataLogPage, "Space", Command::NextAction}, {K::Editor, "Space", std::nullopt},
      {K::Window, "F12", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(app::CommandForKey(c.focus, c.key), c.meant) << c.key << " in " << static_cast<int>(c.focus);
  // No key is ambiguous anywhere: every key of every command means one
  // command in each place where it acts.
  for (K focus : {K::Window, K::DataLogPage, K::ScriptPage, K::Editor}) {
    for (const app::CommandInfo& c : app::kCommands) {
      for (std::string_view key : c.keys) {
        if (key.empty() || !app::KeyScopeEncloses(c.scope, focus)) continue;
        EXPECT_TRUE(app::CommandForKey(focus, key).has_value()) << key << " in " << static_cast<int>(focus);
      }
    }
  }
  // What the shell hands to the narrower place: only the editor's F1.
  const auto taken = app::KeysTakenIn(K::Editor);
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken[0].command, Command::ReferenceAction);
  EXPECT_EQ(taken[0].key, "F1");
  for (K scope : {K::Window, K::DataLogPage, K::ScriptPage}) EXPECT_TRUE(app::KeysTakenIn(scope).empty());
}

// The commands a state enables, by name.
std::set<std::string> EnabledNames(const app::ShellFacts& f) {
  app::CommandStates s = app::EvaluateCommands(f);
  std::set<std::string> out;
  for (const app::CommandInfo& c : app::kCommands)
    if (s.Enabled(c.id)) out.emplace(c.name);
  return out;
}

std::set<std::string> AllNames() {
  std::set<std::string> out;
  for (const app::CommandInfo& c : app::kCommands) out.emplace(c.name);
  return out;
}

// A subfolder open and selected in the tree, articles selected and unread,
// a search text, an address, an EXPORT procedure, a tray and a help page.
app::ShellFacts Everything() {
  app::ShellFacts f;
  f.folder = {false, true, 3, true, true, false};
  f.list = {2, true, true, true};
  f.tree = {true, false};
  f.program = {true, true, 2, true};
  return f;
}

TEST(CommandRules, StateInEnabledCommandsOut) {
  using Names = std::set<std::string>;
  const Names all = AllNames();
  auto without = [&all](Names gone) {
    Names n = all;
    for (const auto& g : gone) n.erase(g);
    return n;
  };
  struct Case {
    const char* what;
    void (*change)(app::ShellFacts&);
    Names enabled;
  };
  const Case cases[] = {
      {"idle, everything at hand", [](app::ShellFacts&) {},
       without({"StopAction", "SkipAction", "UnreadAction"})},
      {"a workbench run, stoppable",
       [](app::ShellFacts& f) {
         f.run = {true, true};
       },
       Names{"StopAction", "SkipAction", "RoundReportAction"}},
      {"an export, not stoppable",
       [](app::ShellFacts& f) {
         f.run = {true, false};
       },
       Names{"RoundReportAction"}},
      {"the log root open",
       [](app::ShellFacts& f) { f.folder.isLogRoot = true; },
       without({"StopAction", "SkipAction", "UnreadAction", "PropertyAction", "RenameFolderAction",
                "DeleteFolderAction", "RoundTargetAction"})},
      {"a caption being edited",
       [](app::ShellFacts& f) { f.tree.editingCaption = true; },
       without({"StopAction", "SkipAction", "UnreadAction", "NewFolderAction", "RenameFolderAction",
                "DeleteFolderAction"})},
      {"no EXPORT procedure",
       [](app::ShellFacts& f) { f.folder.hasExport = false; },
       without({"StopAction", "SkipAction", "UnreadAction", "ExportAction"})},
      {"an empty log",
       [](app::ShellFacts& f) {
         f.folder.logCount = 0;
         f.list = {};
         f.list.hasBrowseTarget = true;
       },
       without({"StopAction", "SkipAction", "UnreadAction", "ExportAction", "ReadAction", "DeleteAction",
                "FindNextAction", "FindPrevAction"})},
      {"only read articles selected",
       [](app::ShellFacts& f) { f.list.selectedUnread = false; },
       without({"StopAction", "SkipAction", "ReadAction"})},
      {"no tray, no help page, no other data folder, no address",
       [](app::ShellFacts& f) {
         f.program = {};
         f.list.hasBrowseTarget = false;
       },
       without({"StopAction", "SkipAction", "UnreadAction", "HideAction", "HelpAction", "GuideAction",
                "NextLogDirAction", "BrowseAction"})},
  };
  for (const Case& c : cases) {
    app::ShellFacts f = Everything();
    c.change(f);
    EXPECT_EQ(EnabledNames(f), c.enabled) << c.what;
  }
}

TEST(CommandRules, ChecksCaptionAndPanelsFollowTheState) {
  app::ShellFacts f = Everything();
  app::CommandStates s = app::EvaluateCommands(f);
  EXPECT_TRUE(s.Checked(Command::TimerSwitch));
  EXPECT_EQ(s.timerSwitchCaption, "ON ");
  EXPECT_EQ(s.timerSwitchImage, app::Image::SwitchOn);
  EXPECT_TRUE(s.Checked(Command::RoundTargetAction));
  EXPECT_FALSE(s.Checked(Command::RunFromCache));
  EXPECT_TRUE(s.panelsEnabled && s.captionEditing);
  EXPECT_FALSE(s.waitCursor);
  // The code button stands in its places in developer mode only.
  EXPECT_EQ(s.codeButtonShown, f.program.developerMode);
  f.program.developerMode = !f.program.developerMode;
  EXPECT_EQ(app::EvaluateCommands(f).codeButtonShown, f.program.developerMode);
  f.folder.scheduleOn = false;
  f.folder.runFromCache = true;
  f.run.busy = true;
  s = app::EvaluateCommands(f);
  EXPECT_EQ(s.timerSwitchCaption, "OFF");
  EXPECT_EQ(s.timerSwitchImage, app::Image::SwitchOff);
  EXPECT_TRUE(s.Checked(Command::RunFromCache));
  EXPECT_FALSE(s.panelsEnabled || s.captionEditing);
  EXPECT_TRUE(s.waitCursor);
}

TEST(BusyState, OneActivityAtATimeDialogsHoldNewStartsAndEveryChangeIsTold) {
  app::TBusyState busy;
  int changes = 0;
  busy.OnChange = [&changes] { ++changes; };
  EXPECT_TRUE(busy.CanStart());
  {
    app::TBusyState::Scope run = busy.Enter(app::Activity::Workbench, true);
    EXPECT_EQ(busy.Running(), app::Activity::Workbench);
    EXPECT_TRUE(busy.Busy() && busy.Stoppable());
    EXPECT_FALSE(busy.CanStart());
    // A second start while one runs changes nothing, also when it ends.
    { app::TBusyState::Scope second = busy.Enter(app::Activity::Round, false); }
    EXPECT_EQ(busy.Running(), app::Activity::Workbench);
    EXPECT_TRUE(busy.Stoppable());
  }
  EXPECT_FALSE(busy.Busy() || busy.Stoppable());
  EXPECT_EQ(changes, 2);
  {
    app::TBusyState::Scope options = busy.OpenDialog();
    app::TBusyState::Scope value = busy.OpenDialog();
    EXPECT_FALSE(busy.Busy());
    EXPECT_FALSE(busy.CanStart());
  }
  EXPECT_TRUE(busy.CanStart());
  EXPECT_EQ(changes, 6);
}

}  // namespace
}  // namespace bq::test
