#include "script/clip_templates.h"

#include <gtest/gtest.h>

namespace bq::script {
namespace {

TEST(ClipTemplates, TableRowGivesThreeSteps) {
  TClipTemplate t{"ROW", ParseClipBody("<tr><td>${DATE}</td><td>${TITLE}</td>")};
  EXPECT_EQ(DumpClipTemplate(t), "*:<tr><td>\r\nDATE:</td><td>\r\nTITLE:</td>\r\n");
}

TEST(ClipTemplates, TwoCapturesWithoutTextKeepOnlyTheSecondName) {
  TClipTemplate t{"X", ParseClipBody("a${ONE}${TWO}b")};
  EXPECT_EQ(DumpClipTemplate(t), "*:a\r\nTWO:b\r\n");
}

TEST(ClipTemplates, NamesEndAtTheFirstDigit) {
  TClipTemplate t{"X", ParseClipBody("${NAME1}x")};
  EXPECT_EQ(DumpClipTemplate(t), "NAME:1}x\r\n");
}

TEST(ClipTemplates, CutsPatternsEscapesAndLineBreaks) {
  TClipTemplate t{"X", ParseClipBody("<a>\\*<b>!{<*>}!${V}\\\r\nend\\}\r\nz")};
  EXPECT_EQ(DumpClipTemplate(t), "*:<a>\r\n*:<b>\r\n*!:<*>\r\nV:end}\\nz\r\n");
  EXPECT_TRUE(t.Items[2].Pattern);
  EXPECT_TRUE(t.Items[3].Capture);
}

TEST(ClipTemplates, PatternWithoutCloseTakesTheRest) {
  TClipTemplate t{"X", ParseClipBody("a!{<x*")};
  EXPECT_EQ(DumpClipTemplate(t), "*:a\r\n*!:<x*\r\n*:\r\n");
}

TEST(ClipTemplates, RedeclaringReplacesStepsInPlace) {
  TClipTemplates store;
  store.Declare("A", "${X}1");
  store.Declare("B", "${Y}2");
  store.Declare("A", "${Z}3");
  ASSERT_EQ(store.Count(), 2u);
  EXPECT_EQ(store.ByIndex(0)->Name, "A");
  EXPECT_EQ(store.ByIndex(0)->Items[0].Name, "Z");
  EXPECT_EQ(store.ByName("B")->Items[0].Delimiter, "2");
  EXPECT_EQ(store.ByName("b"), nullptr);  // exact names
  EXPECT_EQ(store.ByIndex(5), nullptr);
  store.Clear();
  EXPECT_EQ(store.Count(), 0u);
}

TEST(ClipTemplates, OddBodiesNeverFail) {
  for (const char* body : {"", "\\", "${", "${}", "!{", "!{}!", "\x81", "a\\\x81"}) {
    std::vector<TClipItem> items = ParseClipBody(body);
    EXPECT_FALSE(items.empty()) << body;
  }
}

}  // namespace
}  // namespace bq::script
