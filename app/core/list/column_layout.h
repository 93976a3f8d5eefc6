#pragma once
// How the article list's columns share the list's width. The widths a
// folder keeps are what the user asked for; what the list shows follows
// from them, from what each column's header and usual content need, and
// from the room there is: -2 fits the header and the usual content, the
// topic and date columns never drop below their content, a narrow list
// takes the room from the title first (then the body, then the author) so
// the date stays in view, and the last column takes whatever is left over.
//
// Pixel sizes are the shell's to measure: the core names the texts to
// measure (UsualCellText) and decides with the numbers.
#include <string>
#include <vector>

namespace bq::app {

// One shown column: the width the folder keeps (-2 or less: fit), what its
// header and usual content need, and how narrow it may get (its header).
struct ColumnSpace {
  int wanted = -2;
  int fit = 0;
  int least = 0;
};

// The text a column usually holds, for measuring its fitted width
// (Shift_JIS): the topic column six digits with a reference number, the
// date column a whole date and time.
std::string UsualCellText(int column);

// The widths to show for columns 0..n-1 in a list `available` pixels wide.
std::vector<int> LayOutColumns(const std::vector<ColumnSpace>& columns, int available);

}  // namespace bq::app
