// The article list's shown column widths.
#include "app/core/list/column_layout.h"

#include <algorithm>
#include <numeric>

#include "app/core/list/article_list.h"
#include "textlib/cp932.h"

namespace bq::app {
namespace {

// A column that never shows less than its usual content.
bool KeepsItsContent(int column) { return column == kColTopic || column == kColDate; }

// Who gives way, in order, when the list is too narrow.
constexpr int kGiveWay[] = {kColTitle, kColBody, kColAuthor};

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

}  // namespace

std::string UsualCellText(int column) {
  static const std::string wide = Utf8ToSjis("\xe6\xbc\xa2");  // 漢
  switch (column) {
    case kColMark: return Utf8ToSjis("\xe2\x96\xa0\xd1\x84");  // ■ф
    case kColTopic: return "  999999[999999]";
    case kColTitle: return Repeat(wide, 24);
    case kColAuthor: return Repeat(wide, 8);
    case kColDate: return ListDateText(1);  // every date has the same shape
    case kColBody: return Repeat(wide, 14);
    default: return {};
  }
}

std::vector<int> LayOutColumns(const std::vector<ColumnSpace>& columns, int available) {
  const int n = static_cast<int>(columns.size());
  std::vector<int> shown(columns.size());
  for (int c = 0; c < n; ++c) {
    const ColumnSpace& s = columns[static_cast<std::size_t>(c)];
    int w = s.wanted > 0 ? s.wanted : s.fit;
    if (KeepsItsContent(c)) w = std::max(w, s.fit);
    shown[static_cast<std::size_t>(c)] = w;
  }
  if (n == 0) return shown;
  int excess = std::accumulate(shown.begin(), shown.end(), 0) - available;
  for (int c : kGiveWay) {
    if (excess <= 0 || c >= n) continue;
    int& w = shown[static_cast<std::size_t>(c)];
    const int cut = std::min(excess, w - columns[static_cast<std::size_t>(c)].least);
    if (cut <= 0) continue;
    w -= cut;
    excess -= cut;
  }
  if (excess < 0) shown.back() -= excess;
  return shown;
}

}  // namespace bq::app
