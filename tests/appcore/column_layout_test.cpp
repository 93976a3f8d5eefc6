// The article list's shown widths: fitted columns, the floors of the topic
// and date columns, the title giving way in a narrow list, the last column
// taking the rest.
#include <gtest/gtest.h>

#include <numeric>

#include "app/core/list/article_list.h"
#include "app/core/list/column_layout.h"
#include "textlib/cp932.h"

namespace bq {
namespace {

using app::ColumnSpace;

struct LayoutCase {
  const char* name;
  std::vector<ColumnSpace> columns;  // wanted, fit, least
  int available;
  std::vector<int> shown;
};

// Five columns as a folder without a body column has them; fit and least
// as a shell might measure them.
std::vector<ColumnSpace> Five(int topic, int title, int author, int date) {
  return {{35, 30, 20}, {topic, 120, 50}, {title, 300, 70}, {author, 110, 60}, {date, 150, 40}};
}

class ColumnLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ColumnLayoutTest, ShowsTheWidthsTheRulesGive) {
  const LayoutCase& c = GetParam();
  EXPECT_EQ(app::LayOutColumns(c.columns, c.available), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Widths, ColumnLayoutTest,
    ::testing::Values(
        // The last column takes what is left of a wide list.
        LayoutCase{"LastStretches", Five(130, 320, 100, 160), 1000, {35, 130, 320, 100, 415}},
        // -2 fits header and content; the topic and the date never show
        // less than their content, whatever the folder keeps.
        LayoutCase{"FitAndFloors", Five(-2, -2, -2, 80), 2000, {35, 120, 300, 110, 1435}},
        LayoutCase{"TopicFloor", Five(80, 320, 100, 160), 735, {35, 120, 320, 100, 160}},
        // A narrow list: the title gives way first, down to its header.
        LayoutCase{"TitleGivesWay", Five(120, 320, 100, 160), 600, {35, 120, 185, 100, 160}},
        LayoutCase{"ThenTheAuthor", Five(120, 320, 100, 160), 460, {35, 120, 70, 75, 160}},
        // Narrower than every column at its least: a scroll bar, the date still whole.
        LayoutCase{"TooNarrow", Five(120, 320, 100, 160), 200, {35, 120, 70, 60, 160}},
        // With a body column, the body gives way after the title and
        // stretches as the last column.
        LayoutCase{"BodyGivesWaySecond",
                   {{35, 30, 20}, {120, 120, 50}, {320, 300, 70}, {100, 110, 60}, {160, 150, 40}, {200, 200, 40}},
                   600,
                   {35, 120, 70, 100, 160, 115}},
        LayoutCase{"BodyStretches",
                   {{35, 30, 20}, {120, 120, 50}, {320, 300, 70}, {100, 110, 60}, {160, 150, 40}, {-2, 200, 40}},
                   1000,
                   {35, 120, 320, 100, 160, 265}}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

TEST(ColumnLayout, UsualTextsHoldSixDigitsWithAReferenceAndAWholeDate) {
  EXPECT_EQ(app::UsualCellText(app::kColTopic), "  999999[999999]");
  EXPECT_EQ(app::UsualCellText(app::kColDate).size(), app::ListDateText(1234567890).size());
  for (int c = 0; c < app::kListColumns; ++c) EXPECT_FALSE(app::UsualCellText(c).empty()) << c;
}

}  // namespace
}  // namespace bq
