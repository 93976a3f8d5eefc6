// The article list's rows, cells, headers, column widths, sorting by header
// and selection, over the open log.
#include "app/core/list/article_list.h"

#include <charconv>
#include <cstdio>

#include "app/core/kernel.h"
#include "platform/fs.h"
#include "textlib/cp932.h"
#include "textlib/dates.h"
#include "textlib/strutil.h"

namespace bq::app {
namespace {

constexpr std::string_view kUnreadMark = "\x81\xa1";    // ■
constexpr std::string_view kReadMark = "\x81\xa0";      // □
constexpr std::string_view kLinkMark = "\x84\x86";      // ф
constexpr std::string_view kNoLinkMark = "\x81\x40";    // full-width blank
constexpr std::string_view kLargestFirstMark = "\x81\xa5 ";   // ▼, Descending false
constexpr std::string_view kSmallestFirstMark = "\x81\xa3 ";  // ▲, Descending true
constexpr std::string_view kDefaultWidths = "30,80,320,100,160,-2";
constexpr int kMarkColumnWidth = 35;
constexpr std::size_t kBodyStart = 28;

const std::string& CaptionOf(int column) {
  static const std::array<std::string, kListColumns> captions = {
      Utf8ToSjis("■"), "TOPIC", Utf8ToSjis("タイトル"), Utf8ToSjis("著作者"), Utf8ToSjis("日付"), Utf8ToSjis("本文")};
  return captions[static_cast<std::size_t>(column)];
}

}  // namespace

ColumnWidths ParseColumnWidths(const std::string& text) {
  std::vector<int> values;
  std::size_t pos = 0;
  std::string_view rest = text;
  while (pos <= rest.size()) {
    std::size_t comma = rest.find(',', pos);
    if (comma == std::string_view::npos) comma = rest.size();
    std::string_view item = TrimBlanks(rest.substr(pos, comma - pos));
    if (!item.empty()) {
      int v = -2;
      std::from_chars(item.data(), item.data() + item.size(), v);
      values.push_back(v);
    }
    pos = comma + 1;
  }
  if (values.size() < 5) return ParseColumnWidths(std::string(kDefaultWidths));
  ColumnWidths widths;
  widths.fill(-2);
  for (std::size_t i = 0; i < widths.size() && i < values.size(); ++i) widths[i] = values[i];
  widths[0] = kMarkColumnWidth;
  return widths;
}

std::string FormatColumnWidths(const ColumnWidths& widths) {
  std::string out;
  for (int w : widths) {
    if (!out.empty()) out += ',';
    out += std::to_string(w);
  }
  return out;
}

std::string ListDateText(std::uint32_t date) { return date == 0 ? std::string() : DisplayDateTime(date); }

TArticleList::TArticleList(TApplication& app)
    : app_(app),
      log_(TKernel::Log(app)),
      widths_(ParseColumnWidths(log_.Folder.ColumnWidths)),
      widthsFolder_(log_.FolderPath()),
      openedWidths_(widths_) {
  // Articles stored by a running script arrive one by one; the list only
  // grows by the new rows, so the view keeps its place and selection.
  previousOnAdd_ = log_.OnAddItem;
  log_.OnAddItem = [this](TScrapList& log, const TDataInfo& added) {
    if (previousOnAdd_) previousOnAdd_(log, added);
    if (OnRowsAdded) OnRowsAdded(log.Count());
  };
}

TArticleList::~TArticleList() { log_.OnAddItem = std::move(previousOnAdd_); }

bool TArticleList::Open(const std::string& path) {
  Leave();
  if (!log_.OpenFolder(path)) return false;
  widths_ = openedWidths_ = ParseColumnWidths(log_.Folder.ColumnWidths);
  widthsFolder_ = log_.FolderPath();
  log_.Descending = app_.Settings.sortByNew;
  log_.SortItems(0);
  log_.ClearSelected();
  focused_ = -1;
  RefreshStatus();
  return true;
}

TArticleList::DiskFollow TArticleList::FollowDisk(int topRow) {
  DiskFollow out;
  if (!app_.OpenFolderChangedOnDisk()) return out;
  auto keyAt = [this](int row) { return row >= 0 && row < RowCount() ? std::optional(log_.KeyAt(row)) : std::nullopt; };
  const std::optional<ArticleKey> focus = keyAt(focused_), top = keyAt(topRow);
  if (!app_.ReloadOpenFolder()) return out;
  focused_ = focus ? log_.IndexOfKey(*focus) : -1;
  out.topRow = top ? log_.IndexOfKey(*top) : -1;
  out.reloaded = true;
  RefreshStatus();
  return out;
}

void TArticleList::Leave() {
  TScrapList& log = log_;
  // The log may have moved on without the list (a round, the folder set-up
  // of another data folder): the widths are not that folder's.
  if (log.FolderPath().empty() || log.FolderPath() != widthsFolder_ || widths_ == openedWidths_) return;
  openedWidths_ = widths_;
  const std::string text = FormatColumnWidths(widths_);
  if (text == log.Folder.ColumnWidths) return;
  log.Folder.ColumnWidths = text;
  if (log.Folder.KeepColumns) log.SaveNode();
}

std::string TArticleList::EmptyHint() const {
  if (!app_.LogRootOpen() || log_.Count() > 0) return {};
  for (const auto& e : fs::ListDir(app_.LogRoot()))
    if (e.isDir) return {};
  return Utf8ToSjis(
             "まだサイトのフォルダがありません。\r\n"
             "「フォルダ」メニューの「新規フォルダ」で作り、「プロパティ」でスクリプトとアドレスを選んでから"
             "「取得」を押してください。\r\nスクリプトの見本: ") +
         app_.LibFolder();
}

void TArticleList::SetWidth(int column, int width) {
  if (column < 0 || column >= kListColumns) return;
  widths_[static_cast<std::size_t>(column)] = column == kColMark ? kMarkColumnWidth : width;
}

// ---- cells ----

std::string TArticleList::Caption(int column) const {
  if (column < 0 || column >= ColumnCount()) return {};
  const TScrapList& log = log_;
  if (column != kColMark && column == log.SortMode()) {
    return std::string(log.Descending ? kSmallestFirstMark : kLargestFirstMark) + CaptionOf(column);
  }
  return CaptionOf(column);
}

std::string TArticleList::TopicCell(const ArticleView& a) const {
  char buf[40];
  const auto topic = static_cast<std::uint32_t>(a.TOPIC);
  if (log_.SortMode() >= 1 || a.REFER == 0) {
    std::snprintf(buf, sizeof buf, "%u", topic);
  } else if (app_.Settings.dispRefer) {
    std::snprintf(buf, sizeof buf, "  %u[%u]", topic, static_cast<std::uint32_t>(a.REFER));
  } else {
    std::snprintf(buf, sizeof buf, "  %u", topic);
  }
  return buf;
}

std::string TArticleList::Cell(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount()) return {};
  const ArticleView a = log_.View(row);
  switch (column) {
    case kColMark: {
      std::string s(a.Unread ? kUnreadMark : kReadMark);
      s += TrimBlanks(a.LINK).empty() ? kNoLinkMark : kLinkMark;
      return s;
    }
    case kColTopic: return TopicCell(a);
    case kColTitle: return log_.TreeTitle(row);
    case kColAuthor: return std::string(a.AUTHOR);
    case kColDate: return ListDateText(a.DATE);
    default: return Head(a.BODY, kBodyStart);
  }
}

bool TArticleList::IsBold(int row, int column) const {
  return (column == kColMark || column == kColTopic) && log_.IsUnread(row);
}

std::string TArticleList::RowLine(int row) const {
  std::string line;
  for (int c = 0; c < ColumnCount(); ++c) {
    if (c > 0) line += "  ";
    line += Cell(row, c);
  }
  return line;
}

// ---- sorting ----

void TArticleList::HeaderClicked(int column) {
  if (column < 0 || column >= ColumnCount()) return;
  TScrapList& log = log_;
  const bool byDefault = app_.Settings.sortByNew;
  int mode = column;
  if (column == log.SortMode()) {
    log.Descending = !log.Descending;
    if (log.Descending == byDefault) mode = 0;
  } else {
    log.Descending = byDefault;
  }
  SortKeepingFocus(mode);
}

void TArticleList::SortKeepingFocus(int mode) {
  TScrapList& log = log_;
  const bool hadFocus = focused_ >= 0 && focused_ < log.Count();
  const std::uint32_t focused = hadFocus ? log.ArticleId(focused_) : 0;
  log.SortItems(mode);
  if (!hadFocus || log.Count() == 0) return;
  focused_ = log.IndexOfArticleId(focused);
}

// ---- focus and selection ----

void TArticleList::SetFocused(int row) { focused_ = row >= 0 && row < RowCount() ? row : -1; }

int TArticleList::CurrentRow() const {
  const TScrapList& log = log_;
  if (log.IsSelected(focused_)) return focused_;
  for (int i = 0; i < log.Count(); ++i)
    if (log.IsSelected(i)) return i;
  return -1;
}

int TArticleList::ReaderRow() const {
  const int current = CurrentRow();
  if (current < 0) return -1;
  return focused_ >= 0 && focused_ < RowCount() ? focused_ : current;
}

void TArticleList::SetSelected(int first, int last, bool selected) {
  first = std::max(first, 0);
  last = std::min(last, RowCount() - 1);
  for (int i = first; i <= last; ++i) log_.SetSelected(i, selected);
}

void TArticleList::SelectAlone(int row) {
  log_.ClearSelected();
  log_.SetSelected(row, true);
  SetFocused(row);
}

void TArticleList::SelectOnly(int row) { SelectAlone(row); }

void TArticleList::ClearSelection() { log_.ClearSelected(); }

void TArticleList::SelectAll() { SetSelected(0, RowCount() - 1, true); }

std::vector<std::pair<int, int>> TArticleList::SelectedRuns() const {
  std::vector<std::pair<int, int>> runs;
  const TScrapList& log = log_;
  for (int i = 0; i < log.Count(); ++i) {
    if (!log.IsSelected(i)) continue;
    if (!runs.empty() && runs.back().second == i - 1) {
      runs.back().second = i;
    } else {
      runs.emplace_back(i, i);
    }
  }
  return runs;
}

// ---- status ----

std::string TArticleList::LoadTimeText() const { return "LoadTime: " + std::to_string(log_.LoadTime()) + " ms"; }

std::string TArticleList::DetailText() const {
  static const std::string latest = Utf8ToSjis("最新記事: ");
  static const std::string lastRound = Utf8ToSjis("最終巡回: ");
  switch (app_.Settings.statusDisp) {
    case 0: return latest + ListDateText(log_.LatestDate());
    case 1: return lastRound + ListDateText(log_.Folder.LastRound);
    default: return {};
  }
}

namespace {

std::string ItemLabelOf(int unread, int count) {
  static const std::string open = Utf8ToSjis("【未読: "), close = Utf8ToSjis(" 項目】");
  return open + std::to_string(unread) + " / " + std::to_string(count) + close;
}

std::string SelectionLabelOf(int selected) {
  static const std::string open = Utf8ToSjis("選択中: "), close = Utf8ToSjis(" 件");
  return open + std::to_string(selected) + close;
}

}  // namespace

std::string TArticleList::ItemLabel() const { return ItemLabelOf(log_.UnreadCount(), RowCount()); }

std::string TArticleList::SelectionLabel() const { return SelectionLabelOf(SelectedCount()); }

void TArticleList::RefreshStatus() {
  app_.Status.SetPanel(0, LoadTimeText());
  app_.Status.SetPanel(1, DetailText());
}

namespace {

ShellFacts::List FactsOf(int selected, bool unreadSelected, bool searchText, bool browseTarget) {
  ShellFacts::List f;
  f.selectedRows = selected;
  f.selectedUnread = unreadSelected;
  f.hasSearchText = searchText;
  f.hasBrowseTarget = browseTarget;
  return f;
}

}  // namespace

ShellFacts::List TArticleList::Facts() const {
  const TScrapList::MarkCounts marks = log_.Marks();
  return FactsOf(marks.selected, marks.selectedUnread, !SearchText.empty(), !BrowseTarget().empty());
}

TArticleList::Summary TArticleList::Summarize() const {
  const TScrapList& log = log_;
  const TScrapList::MarkCounts marks = log.Marks();
  Summary s;
  s.itemLabel = ItemLabelOf(marks.unread, log.Count());
  s.selectionLabel = SelectionLabelOf(marks.selected);
  s.selectionLabelVisible = log.Count() > 0;
  s.facts = FactsOf(marks.selected, marks.selectedUnread, !SearchText.empty(), !BrowseTarget().empty());
  return s;
}

}  // namespace bq::app
