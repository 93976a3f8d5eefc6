#pragma once
// TArticleList: the view model of the "データログ" page. It answers what
// each row, cell and header of the article list shows, keeps the focused
// article across sorts, mirrors the list's selection into the articles'
// Selected flags, and carries out navigation, search, duplicate selection,
// deletion and read marks on the open log. It never holds a copy of a row:
// every text is computed on demand from the log, so a folder of a million
// articles costs nothing beyond the log itself.
//
// All texts are Shift_JIS; a shell converts them at its edge.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/core/application.h"
#include "app/core/list/article_reader.h"

namespace bq::app {

enum ListColumn : int { kColMark = 0, kColTopic, kColTitle, kColAuthor, kColDate, kColBody };
inline constexpr int kListColumns = 6;
using ColumnWidths = std::array<int, kListColumns>;

// The widths a folder's ColumnWidths value gives: the default set when it
// holds fewer than five numbers, the first always 35, missing ones -2 (fit
// the header).
ColumnWidths ParseColumnWidths(const std::string& text);
std::string FormatColumnWidths(const ColumnWidths& widths);

// "yyyy/mm/dd hh:nn:ss", empty for the date 0.
std::string ListDateText(std::uint32_t date);

// Where a next/previous unread step goes: a row of the open log, another
// folder to open (then step again there), or nowhere.
struct UnreadStep {
  int row = -1;
  std::string folder;
};

class TArticleList {
 public:
  explicit TArticleList(TApplication& app);
  ~TArticleList();
  TArticleList(const TArticleList&) = delete;
  TArticleList& operator=(const TArticleList&) = delete;

  // Opening a folder: the old one is left (its widths written back), the log
  // opened, Descending set to the default order and the thread order laid
  // out; selection and focus are dropped. False when the open log could not
  // be saved (the old folder then stays open).
  bool Open(const std::string& path);
  // Writes the column widths back into the folder definition (at leaving
  // and at exit); the node file is written when they changed and the folder
  // keeps its columns.
  void Leave();

  // Rows and cells.
  int RowCount() const { return log_.Count(); }
  int ColumnCount() const { return log_.Folder.ShowBody ? kListColumns : kListColumns - 1; }
  std::string Caption(int column) const;
  std::string Cell(int row, int column) const;
  bool IsBold(int row, int column) const;
  // The topic numbers stand right-aligned in a column sort.
  bool IsRightAligned(int column) const { return column == kColTopic && log_.SortMode() >= 1; }
  // The row as one line of text (the cells of the shown columns joined by
  // two blanks), for terminals.
  std::string RowLine(int row) const;

  const ColumnWidths& Widths() const { return widths_; }
  void SetWidth(int column, int width);

  // A click on a header. The focused article keeps the focus at its new row.
  void HeaderClicked(int column);

  // Focus and selection. The focus is the row the reader follows.
  int Focused() const { return focused_; }
  void SetFocused(int row);
  // The row actions start from: the focused row when selected, else the
  // first selected one, else -1.
  int CurrentRow() const;
  // The row the reader shows: the focused row while any row is selected
  // (after "重複記事を選択" the focused article may itself be unselected),
  // else the first selected one, else -1.
  int ReaderRow() const;
  void SetSelected(int first, int last, bool selected);
  void SelectOnly(int row);
  void ClearSelection();
  void SelectAll();
  int SelectedCount() const { return log_.SelectedCount(); }
  // The selected rows as [first, last] runs, for a view to mirror.
  std::vector<std::pair<int, int>> SelectedRuns() const;

  // Moving.
  int RowBelow() const;
  int RowAbove() const;
  UnreadStep NextUnread(bool forward) const;
  // Search down or up from the current row with the kept search text; the
  // found row is selected alone; when none, the selection stays and status
  // panel 0 says "見つかりません". -1 when nothing was found.
  int Find(bool down);
  // Asks for the search text, then searches down; -1 when cancelled or
  // nothing was found.
  int AskAndFind();
  std::string SearchText;

  // Selects every later duplicate of an article, leaving the first of each
  // group unselected.
  void SelectDuplicates();
  // The question shown before deleting the selected articles.
  std::string DeleteQuestion() const;
  // Asks, and on Yes deletes; then the row to select (-1 when the log is
  // now empty). Nothing when nothing was selected or the answer was No.
  std::optional<int> AskAndDelete();
  void MarkSelected(bool unread);

  // The reader's article was selected: an unread one is marked read.
  // False when nothing changed.
  bool MarkShownRead(int row);
  // The reader's view of a row (empty when out of range).
  ReaderView Reader(int row) const { return ReaderViewOf(log_, row); }
  // What "サイトを開く" opens; empty when there is nothing.
  std::string BrowseTarget() const;
  bool Browse();

  // Status.
  std::string LoadTimeText() const;
  std::string DetailText() const;
  std::string ItemLabel() const;
  std::string SelectionLabel() const;
  bool SelectionLabelVisible() const { return RowCount() > 0; }
  // Panels 0 and 1 of the application's status texts.
  void RefreshStatus();

  // What the enabling rules of the list's commands look at.
  ShellFacts::List Facts() const;

  // Everything a shell refreshes after a change, from one pass over the log
  // (each label and rule alone would walk a million articles again).
  struct Summary {
    std::string itemLabel, selectionLabel;
    bool selectionLabelVisible = false;
    ShellFacts::List facts;
  };
  Summary Summarize() const;
  // What the empty list says while no site folder exists yet: how to make
  // one, and where the sample scripts are (Shift_JIS); empty otherwise.
  std::string EmptyHint() const;

  // Called after the log grew by articles stored during a run (the new row
  // count is given).
  std::function<void(int rows)> OnRowsAdded;

 private:
  void SortKeepingFocus(int mode);
  void SelectAlone(int row);
  std::string TopicCell(const ArticleView& a) const;

  TApplication& app_;
  TScrapList& log_;
  std::function<void(TScrapList&, const TDataInfo&)> previousOnAdd_;
  ColumnWidths widths_;
  // The folder the widths were read from, and what they were then: only
  // that folder takes them back, and only when the user changed them.
  std::string widthsFolder_;
  ColumnWidths openedWidths_;
  int focused_ = -1;
};

}  // namespace bq::app
