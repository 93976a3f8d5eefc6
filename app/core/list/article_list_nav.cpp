// The article list's moves: by row, to the next unread article (across
// folders), by search; duplicate selection, deletion, read marks and the
// browse target.
#include <algorithm>
#include <unordered_map>

#include "app/core/list/article_list.h"
#include "platform/compare.h"
#include "textlib/cp932.h"
#include "textlib/strutil.h"

namespace bq::app {

int TArticleList::RowBelow() const {
  const int n = RowCount();
  if (n == 0) return -1;
  const int cur = CurrentRow();
  if (cur < 0) return 0;
  const int row = std::min(cur + 1, n - 1);
  return row == cur ? -1 : row;
}

int TArticleList::RowAbove() const {
  const int n = RowCount();
  if (n == 0) return -1;
  const int cur = CurrentRow();
  if (cur < 0) return n - 1;
  const int row = std::max(cur - 1, 0);
  return row == cur ? -1 : row;
}

UnreadStep TArticleList::NextUnread(bool forward) const {
  const TScrapList& log = log_;
  if (log.UnreadCount() == 0) {
    std::vector<std::string> folders = app_.CollectFolders(app_.LogRoot());
    if (!forward) std::reverse(folders.begin(), folders.end());
    auto here = std::find(folders.begin(), folders.end(), log.FolderPath());
    for (auto it = here == folders.end() ? folders.begin() : here + 1; it != folders.end(); ++it) {
      if (log.ReadFolderFlags(*it).HasUnread) return {-1, *it};
    }
    return {};
  }
  const int n = log.Count();
  const int step = forward ? 1 : n - 1;  // -1, kept non-negative for the modulo
  const int cur = CurrentRow();
  // From a selected row the search begins with its neighbour and comes back
  // to the row itself last, so an article left unread on purpose does not
  // hold the walk. Without one, the first (or last) row is the first looked at.
  int row = cur >= 0 ? (cur + step) % n : (forward ? 0 : n - 1);
  for (int k = 0; k < n; ++k, row = (row + step) % n) {
    if (log.IsUnread(row)) return {row, {}};
  }
  return {};
}

int TArticleList::Find(bool down) {
  const int cur = CurrentRow();
  // Without a selection the search starts outside the list, so the first
  // (or last) article is examined too.
  const int from = cur >= 0 ? cur : (down ? -1 : RowCount());
  const int found = log_.FindText(SearchText, from, down);
  if (found >= 0) {
    SelectAlone(found);
  } else {
    ClearSelection();
  }
  return found;
}

int TArticleList::AskAndFind() {
  std::string text = SearchText;
  if (!app_.Ui.InputBox(Utf8ToSjis("件名/本文の文字列検索"), Utf8ToSjis("検索文字列"), text)) return -1;
  SearchText = text;
  return Find(true);
}

void TArticleList::SelectDuplicates() {
  TScrapList& log = log_;
  log.ClearSelected();
  // Duplicates are equal titles ignoring case and equal bodies; articles are
  // bucketed by a hash of exactly that, and each is compared only with the
  // first article of every group in its bucket. The first of a group stays
  // unselected, every later one is selected.
  std::unordered_map<std::size_t, std::vector<int>> firsts;
  const std::hash<std::string> hashText;
  const std::hash<std::string_view> hashView;
  for (int i = 0; i < log.Count(); ++i) {
    const ArticleView a = log.View(i);
    const std::size_t key = hashText(UpperCase(a.TITLE)) * 31 + hashView(a.BODY);
    std::vector<int>& group = firsts[key];
    const bool duplicate =
        std::any_of(group.begin(), group.end(), [&](int f) { return log.IsDuplicate(log.View(f), a); });
    if (duplicate) {
      log.SetSelected(i, true);
    } else {
      group.push_back(i);
    }
  }
}

std::string TArticleList::DeleteQuestion() const {
  const int count = SelectedCount();
  std::string q;
  if (count == 1) {
    q = Utf8ToSjis("「") + std::string(log_.View(CurrentRow()).TITLE) + Utf8ToSjis("」\r\nを削除します");
  } else {
    q = std::to_string(count) + Utf8ToSjis(" 個の項目を削除します！\r\n");
  }
  return q + Utf8ToSjis("よろしいですか？");
}

std::optional<int> TArticleList::AskAndDelete() {
  if (SelectedCount() == 0) return std::nullopt;
  if (app_.Ui.MessageBox(DeleteQuestion(), app_.Caption, kMbYesNo) != kIdYes) return std::nullopt;
  const int old = focused_ >= 0 ? focused_ : CurrentRow();
  log_.DeleteSelected();
  const int n = RowCount();
  const int row = n == 0 ? -1 : std::clamp(old, 0, n - 1);
  SelectAlone(row);
  if (row < 0) focused_ = -1;
  RefreshStatus();
  return row;
}

void TArticleList::MarkSelected(bool unread) {
  log_.SetSelectedUnread(unread);
  RefreshStatus();
}

bool TArticleList::MarkShownRead(int row) {
  if (!log_.IsUnread(row)) return false;
  log_.MarkRead(row);
  return true;
}

std::string TArticleList::BrowseTarget() const {
  const ArticleView a = log_.View(CurrentRow());
  if (!TrimBlanks(a.PAGEURL).empty()) return std::string(a.PAGEURL);
  return std::string(TrimBlanks(log_.Folder.SiteUrl));
}

bool TArticleList::Browse() {
  const std::string target = BrowseTarget();
  return !target.empty() && app_.Ui.ShellOpen(target);
}

}  // namespace bq::app
