#pragma once
// The commands of the article list: one table of names, captions and keys,
// read by every shell, and the rule of which of them are enabled.
#include <array>
#include <string>
#include <string_view>

namespace bq::app {

enum class ListAction {
  Next,
  Prev,
  Below,
  Above,
  Find,
  FindNext,
  FindPrev,
  Dup,
  Read,
  Unread,
  Delete,
  SelectAll,
  Browse,
};
inline constexpr int kListActionCount = 13;

struct ListActionInfo {
  ListAction id;
  std::string_view name;
  std::string_view captionUtf8;
  // Key sequences in the portable text form ("Ctrl+Down"); empty = none.
  std::array<std::string_view, 2> keys;
};

// Tag 0 and 1 of the unread jump are Next and Prev.
inline constexpr std::array<ListActionInfo, kListActionCount> kListActions = {{
    {ListAction::Next, "NextAction", "次の未読へ", {"Space", "Ctrl+Down"}},
    {ListAction::Prev, "PrevAction", "前の未読へ", {"Ctrl+Space", "Ctrl+Up"}},
    {ListAction::Below, "BelowAction", "次の記事へ", {"Down", ""}},
    {ListAction::Above, "AboveAction", "前の記事へ", {"Up", ""}},
    {ListAction::Find, "FindAction", "検索", {"Ctrl+F", ""}},
    {ListAction::FindNext, "FindNextAction", "下に検索", {"F3", "Ctrl+N"}},
    {ListAction::FindPrev, "FindPrevAction", "上に検索", {"Shift+F3", "Ctrl+P"}},
    {ListAction::Dup, "DupAction", "重複記事を選択", {"Ctrl+D", ""}},
    {ListAction::Read, "ReadAction", "既読に変更", {"", ""}},
    {ListAction::Unread, "UnreadAction", "未読に戻す", {"", ""}},
    {ListAction::Delete, "DeleteAction", "記事を削除", {"Delete", ""}},
    {ListAction::SelectAll, "SelectAllAction", "全てを選択", {"Ctrl+A", ""}},
    {ListAction::Browse, "BrowseAction", "サイトを開く", {"", ""}},
}};

constexpr bool ListActionsInOrder() {
  for (std::size_t i = 0; i < kListActions.size(); ++i)
    if (static_cast<std::size_t>(kListActions[i].id) != i) return false;
  return true;
}
static_assert(ListActionsInOrder(), "kListActions is indexed by ListAction");

inline const ListActionInfo& ListActionOf(ListAction id) { return kListActions[static_cast<std::size_t>(id)]; }

// Which commands are enabled now; the ones not named are always enabled.
struct ListActionState {
  bool remove = false;    // DeleteAction: some row selected
  bool read = false;      // ReadAction: some selected article unread
  bool unread = false;    // UnreadAction: rows selected, none unread
  bool findAgain = false; // FindNextAction, FindPrevAction: a search text exists
  bool browse = false;    // BrowseAction: an address to open

  bool Enabled(ListAction id) const {
    switch (id) {
      case ListAction::Delete: return remove;
      case ListAction::Read: return read;
      case ListAction::Unread: return unread;
      case ListAction::FindNext:
      case ListAction::FindPrev: return findAgain;
      case ListAction::Browse: return browse;
      default: return true;
    }
  }
};

}  // namespace bq::app
