#pragma once
// The commands of the desktop: one row each with its name (the objectName
// of its action), caption, hint, keys, image, where its keys act and the
// places it stands in (menus, tool bars, the tray menu, the pages' bars and
// the list's context menu). Every shell widget is built from this table; the
// component that owns a command handles it. Captions and hints are UTF-8:
// they are read only at the widget edge.
//
// A place lists its commands by their slot number there: the tens digit is
// the group, the units digit the order, and a separator stands between two
// groups.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace bq::app {

enum class Command : std::uint8_t {
  ExecAction, RoundAction, TimerAction, StopAction, SkipAction, TimerSwitch, RoundReportAction,
  NewFolderAction, RenameFolderAction, DeleteFolderAction, RoundTargetAction, PropertyAction, NextLogDirAction,
  NextAction, PrevAction, BelowAction, AboveAction, FindAction, FindNextAction, FindPrevAction, DupAction,
  ReadAction, UnreadAction, DeleteAction, SelectAllAction, BrowseAction, ExportAction,
  LoadBtn, SaveBtn, CompileBtn, GoAction, StepAction, TraceAction, ExecInit, RunFromCache, ChangeView,
  ReferenceAction,
  ExportOpmlAction, ImportOpmlAction, GuideAction,
  OptionAction, RoundLogAction, CacheOldAction, CacheAllAction, HelpAction, AboutAction, HideAction, ExitAction,
};
inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(Command::ExitAction) + 1;

// The images of commands, menus and the schedule switch's two states.
enum class Image : std::uint8_t {
  None, Fetch, Round, Timer, Stop, Skip, SwitchOn, SwitchOff, NewFolder, Rename, DeleteFolder, Target, Properties,
  Options, Help, About, Exit, Hide, NextHistory, Down, Up, NextUnread, PrevUnread, Find, FindNext, FindPrev,
  Duplicates, Read, Unread, Delete, SelectAll, Browse, Export, Run, Step, Trace, Reset, Code, Cache, RoundLog,
};
inline constexpr std::size_t kImageCount = static_cast<std::size_t>(Image::RoundLog) + 1;

// Where a command stands. The first eight are the menu bar's menus and
// submenus, in the order of kMenus.
enum class Place : std::uint8_t {
  None, FileMenu, HistoryMenu, CacheMenu, FolderMenu, ArticleMenu, RoundMenu, ScriptMenu, ToolsMenu, HelpMenu,
  MainBar, TrayMenu, ListMenu, EditorBar, DebugBar,
};

// Where a command's keys act: the whole window, the whole window while no
// text field or the script editor holds them (the article keys, as menu keys
// act), the data-log page (list and reader), the script page, or the script
// editor alone.
enum class KeyScope : std::uint8_t { Window, Articles, DataLogPage, ScriptPage, Editor };

struct Slot {
  Place place = Place::None;
  std::uint8_t order = 0;
};

struct CommandInfo {
  Command id;
  std::string_view name;
  std::string_view caption;
  std::string_view hint;
  std::array<std::string_view, 2> keys;  // portable key texts ("Ctrl+Down"); empty: none
  Image image;
  KeyScope scope;
  bool checkable;
  std::array<Slot, 3> places;
};

namespace detail {
using P = Place;
using K = KeyScope;
using I = Image;
constexpr CommandInfo Row(Command id, std::string_view name, std::string_view caption, std::string_view hint,
                          std::array<std::string_view, 2> keys, Image image, KeyScope scope, bool checkable,
                          std::array<Slot, 3> places) {
  return {id, name, caption, hint, keys, image, scope, checkable, places};
}
}  // namespace detail

// clang-format off
inline constexpr std::array<CommandInfo, kCommandCount> kCommands = [] {
  using namespace detail;
  using C = Command;
  return std::array<CommandInfo, kCommandCount>{{
  // Rounds.
  Row(C::ExecAction, "ExecAction", "取得", "選択中フォルダの記事を取得する", {}, I::Fetch, K::Window, false,
      {{{P::RoundMenu, 10}, {P::MainBar, 10}, {P::TrayMenu, 10}}}),
  Row(C::RoundAction, "RoundAction", "巡回", "選択フォルダ下を巡回して記事を取得する", {}, I::Round, K::Window, false,
      {{{P::RoundMenu, 11}, {P::MainBar, 11}, {P::TrayMenu, 11}}}),
  Row(C::TimerAction, "TimerAction", "定時巡回", "指定時間での巡回", {}, I::Timer, K::Window, false,
      {{{P::RoundMenu, 12}, {P::MainBar, 12}}}),
  Row(C::StopAction, "StopAction", "実行中止", "処理を中断する", {}, I::Stop, K::Window, false,
      {{{P::RoundMenu, 20}, {P::MainBar, 14}}}),
  Row(C::SkipAction, "SkipAction", "スキップ", "HTTP読込みだけを中断する", {}, I::Skip, K::Window, false,
      {{{P::RoundMenu, 21}, {P::MainBar, 15}}}),
  // The caption follows the schedule: "ON " or "OFF" (see TimerSwitchCaption).
  Row(C::TimerSwitch, "TimerSwitch", "OFF", "定時巡回の ON / OFF", {}, I::SwitchOff, K::Window, true,
      {{{P::RoundMenu, 30}, {P::MainBar, 13}, {P::TrayMenu, 12}}}),
  Row(C::RoundReportAction, "RoundReportAction", "巡回レポート", "巡回中のエラーを表示する", {}, I::RoundLog, K::Window,
      false, {{{P::RoundMenu, 40}, {P::TrayMenu, 13}}}),
  // Folders.
  Row(C::NewFolderAction, "NewFolderAction", "新規フォルダ(&C)", "新しいフォルダを作る", {}, I::NewFolder, K::Window,
      false, {{{P::FolderMenu, 10}, {P::MainBar, 20}}}),
  Row(C::RenameFolderAction, "RenameFolderAction", "名前の変更(&N)", "フォルダの名前を変える", {}, I::Rename,
      K::Window, false, {{{P::FolderMenu, 11}}}),
  Row(C::DeleteFolderAction, "DeleteFolderAction", "フォルダ削除(&D)", "フォルダとその中のデータを消す", {},
      I::DeleteFolder, K::Window, false, {{{P::FolderMenu, 12}}}),
  Row(C::RoundTargetAction, "RoundTargetAction", "巡回の対象にする", "このフォルダを巡回の対象にする", {}, I::Target,
      K::Window, true, {{{P::FolderMenu, 20}}}),
  Row(C::PropertyAction, "PropertyAction", "プロパティ", "フォルダ設定", {}, I::Properties, K::Window, false,
      {{{P::FolderMenu, 21}, {P::MainBar, 21}}}),
  Row(C::NextLogDirAction, "NextLogDirAction", "次のログフォルダ", "履歴の次のログフォルダに切り替える", {},
      I::NextHistory, K::Window, false, {{{P::FileMenu, 11}}}),
  // Articles: the keys act anywhere in the window but in a text field, the
  // plain arrows in the list and the reader only (elsewhere they move there).
  Row(C::NextAction, "NextAction", "次の未読へ", "次の未読記事へ", {"Space", "Ctrl+Down"}, I::NextUnread,
      K::Articles, false, {{{P::ArticleMenu, 10}}}),
  Row(C::PrevAction, "PrevAction", "前の未読へ", "前の未読記事へ", {"Ctrl+Space", "Ctrl+Up"}, I::PrevUnread,
      K::Articles, false, {{{P::ArticleMenu, 11}}}),
  Row(C::BelowAction, "BelowAction", "次の記事へ", "次の記事へ", {"Down", ""}, I::Down, K::DataLogPage, false,
      {{{P::ArticleMenu, 12}}}),
  Row(C::AboveAction, "AboveAction", "前の記事へ", "前の記事へ", {"Up", ""}, I::Up, K::DataLogPage, false,
      {{{P::ArticleMenu, 13}}}),
  Row(C::FindAction, "FindAction", "検索", "検索", {"Ctrl+F", ""}, I::Find, K::Articles, false,
      {{{P::ArticleMenu, 20}}}),
  Row(C::FindNextAction, "FindNextAction", "下に検索", "下に検索", {"F3", "Ctrl+N"}, I::FindNext, K::Articles,
      false, {{{P::ArticleMenu, 21}}}),
  Row(C::FindPrevAction, "FindPrevAction", "上に検索", "上に検索", {"Shift+F3", "Ctrl+P"}, I::FindPrev,
      K::Articles, false, {{{P::ArticleMenu, 22}}}),
  Row(C::DupAction, "DupAction", "重複記事を選択", "重複記事を選択", {"Ctrl+D", ""}, I::Duplicates, K::Articles,
      false, {{{P::ArticleMenu, 23}, {P::ListMenu, 14}}}),
  Row(C::ReadAction, "ReadAction", "既読に変更", "選択した記事を既読にする", {}, I::Read, K::DataLogPage, false,
      {{{P::ArticleMenu, 30}, {P::ListMenu, 10}}}),
  Row(C::UnreadAction, "UnreadAction", "未読に戻す", "選択した記事を未読に戻す", {}, I::Unread, K::DataLogPage,
      false, {{{P::ArticleMenu, 31}, {P::ListMenu, 11}}}),
  Row(C::DeleteAction, "DeleteAction", "記事を削除", "選択した記事を削除する", {"Delete", ""}, I::Delete,
      K::Articles, false, {{{P::ArticleMenu, 32}, {P::ListMenu, 12}}}),
  Row(C::SelectAllAction, "SelectAllAction", "全てを選択", "全ての記事を選択する", {"Ctrl+A", ""}, I::SelectAll,
      K::Articles, false, {{{P::ArticleMenu, 33}, {P::ListMenu, 13}}}),
  Row(C::BrowseAction, "BrowseAction", "サイトを開く", "サイトをブラウザで開く", {}, I::Browse, K::DataLogPage, false,
      {{{P::ArticleMenu, 40}, {P::ListMenu, 15}}}),
  Row(C::ExportAction, "ExportAction", "ログ出力", "フォルダ内のデータを出力", {}, I::Export, K::Window, false,
      {{{P::FileMenu, 20}}}),
  // The script workbench: the keys act on its page.
  Row(C::LoadBtn, "LoadBtn", "再読込", "", {}, I::None, K::ScriptPage, false,
      {{{P::EditorBar, 10}}}),
  Row(C::SaveBtn, "SaveBtn", "保存", "", {"Ctrl+S", ""}, I::None, K::ScriptPage, false,
      {{{P::EditorBar, 11}}}),
  Row(C::CompileBtn, "CompileBtn", "コンパイル", "", {"Ctrl+F9", ""}, I::None,
      K::ScriptPage, false, {{{P::EditorBar, 12}}}),
  Row(C::GoAction, "GoAction", "実行", "スクリプト実行", {"F9", ""}, I::Run, K::ScriptPage, false,
      {{{P::ScriptMenu, 10}, {P::DebugBar, 10}}}),
  Row(C::StepAction, "StepAction", "ステップ実行", "一行ステップ実行", {"F8", ""}, I::Step, K::ScriptPage, false,
      {{{P::ScriptMenu, 11}, {P::DebugBar, 11}}}),
  Row(C::TraceAction, "TraceAction", "トレース", "１命令実行", {"F7", ""}, I::Trace, K::ScriptPage, false,
      {{{P::ScriptMenu, 12}, {P::DebugBar, 12}}}),
  Row(C::ExecInit, "ExecInit", "リセット", "レジスタの初期化", {}, I::Reset, K::ScriptPage, false,
      {{{P::ScriptMenu, 13}, {P::DebugBar, 13}}}),
  Row(C::RunFromCache, "RunFromCache", "キャッシュから実行", "ページをキャッシュだけから読み込み、サイトには接続しない",
      {}, I::None, K::ScriptPage, true, {{{P::DebugBar, 20}}}),
  Row(C::ChangeView, "ChangeView", "コード表示", "ビューをツリーに戻す", {}, I::Code, K::Window, false,
      {{{P::ScriptMenu, 20}, {P::DebugBar, 30}}}),
  Row(C::ReferenceAction, "ReferenceAction", "リファレンス", "カーソル位置の語の説明を開く", {"F1", ""}, I::Help,
      K::Editor, false, {}),
  // The subscription list in and out, and the script writers' guide.
  Row(C::ExportOpmlAction, "ExportOpmlAction", "OPMLを書き出す...", "フォルダツリーをOPMLファイルに書き出す", {},
      I::None, K::Window, false, {{{P::FileMenu, 23}}}),
  Row(C::ImportOpmlAction, "ImportOpmlAction", "OPMLを読み込む...", "OPMLファイルのフィードを選択中のフォルダに登録する",
      {}, I::None, K::Window, false, {{{P::FileMenu, 24}}}),
  Row(C::GuideAction, "GuideAction", "スクリプトの書き方", "スクリプト作者のためのガイドを開く", {}, I::None,
      K::Window, false, {{{P::HelpMenu, 11}}}),
  // The application.
  Row(C::OptionAction, "OptionAction", "オプション設定", "オプション設定", {}, I::Options, K::Window, false,
      {{{P::ToolsMenu, 10}, {P::MainBar, 30}, {P::TrayMenu, 20}}}),
  Row(C::RoundLogAction, "RoundLogAction", "巡回ログ表示", "巡回ログを開く", {}, I::RoundLog, K::Window, false,
      {{{P::FileMenu, 21}}}),
  Row(C::CacheOldAction, "CacheOldAction", "8日以上経ったもの", "古いキャッシュファイルを消去", {}, I::Cache, K::Window,
      false, {{{P::CacheMenu, 10}}}),
  Row(C::CacheAllAction, "CacheAllAction", "全てのファイル", "キャッシュを消去", {}, I::Cache, K::Window, false,
      {{{P::CacheMenu, 11}}}),
  Row(C::HelpAction, "HelpAction", "ヘルプ目次", "ヘルプ目次", {"F1", ""}, I::Help, K::Window, false,
      {{{P::HelpMenu, 10}, {P::MainBar, 31}, {P::TrayMenu, 21}}}),
  Row(C::AboutAction, "AboutAction", "バージョン情報", "バージョン情報", {}, I::About, K::Window, false,
      {{{P::HelpMenu, 20}, {P::TrayMenu, 22}}}),
  Row(C::HideAction, "HideAction", "隠す", "ウィンドウを隠してトレイに入れる", {}, I::Hide, K::Window, false,
      {{{P::FileMenu, 30}}}),
  Row(C::ExitAction, "ExitAction", "終了", "終了", {}, I::Exit, K::Window, false,
      {{{P::FileMenu, 31}, {P::TrayMenu, 30}}}),
  }};
}();
// clang-format on

constexpr bool CommandsInOrder() {
  for (std::size_t i = 0; i < kCommands.size(); ++i)
    if (static_cast<std::size_t>(kCommands[i].id) != i) return false;
  return true;
}
static_assert(CommandsInOrder(), "kCommands is indexed by Command");

inline const CommandInfo& CommandOf(Command id) { return kCommands[static_cast<std::size_t>(id)]; }
std::optional<Command> CommandNamed(std::string_view name);

// Where keys act: the window holds both pages, the script page the editor.
bool KeyScopeEncloses(KeyScope outer, KeyScope inner);
// The command a key means with the focus in a place: of the commands whose
// keys act there and have that key, the one of the narrowest place (the
// editor's reference before the window's help); none when no command has
// the key there, or two of the same place do.
std::optional<Command> CommandForKey(KeyScope focus, std::string_view key);
// The keys a command of scope takes from a command of an enclosing place
// there (the shell lets the narrower command have them).
struct KeyTaken {
  Command command;
  std::string_view key;
};
std::vector<KeyTaken> KeysTakenIn(KeyScope scope);

// The menu bar's menus and submenus, in order: a submenu names the menu it
// stands in and its slot there. The history submenu is filled by the window.
struct MenuInfo {
  Place place;
  std::string_view caption;
  Image image;
  Slot parent;  // place None: a menu of the menu bar
};
inline constexpr std::array<MenuInfo, 9> kMenus = {{
    {Place::FileMenu, "ファイル(&F)", Image::None, {}},
    {Place::HistoryMenu, "ログフォルダ履歴", Image::NextHistory, {Place::FileMenu, 10}},
    {Place::CacheMenu, "キャッシュの削除", Image::Cache, {Place::FileMenu, 22}},
    {Place::FolderMenu, "フォルダ(&O)", Image::None, {}},
    {Place::ArticleMenu, "記事(&A)", Image::None, {}},
    {Place::RoundMenu, "巡回(&R)", Image::None, {}},
    {Place::ScriptMenu, "スクリプト(&S)", Image::None, {}},
    {Place::ToolsMenu, "ツール(&T)", Image::None, {}},
    {Place::HelpMenu, "ヘルプ(&H)", Image::None, {}},
}};

// One entry of a place in order: a command, a submenu, or a separator
// between two groups.
struct PlacedItem {
  enum Kind { Separator, CommandItem, SubMenu } kind = Separator;
  Command command = Command::ExecAction;
  Place subMenu = Place::None;
};
std::vector<PlacedItem> ItemsAt(Place place);

}  // namespace bq::app
