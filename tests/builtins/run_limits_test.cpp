// What one run may leave behind: the limits' messages name their settings
// (runaway scripts stopping at them are run by the CLI tests, with the
// limits from a settings file); a run that runs out of memory ends with
// "メモリが足りません" and the log as last saved.
#include <gtest/gtest.h>

#include <new>

#include "builtins/builtin_host.h"
#include "script_fixture.h"

namespace bq::test {
namespace {

TEST_F(ScriptTest, TheLimitsMessagesNameTheSettings) {
  EXPECT_EQ(builtins::ArticleLimitMessage(25),
            Utf8ToSjis("一回の実行で保存できる記事数の上限 (25 件) に達したので実行を終えました (設定 ARTICLELIMIT)"));
  EXPECT_EQ(builtins::PrintLimitMessage(2048),
            Utf8ToSjis("PRINT の出力が上限 (2 KB) に達したので実行を終えました (設定 PRINTLIMIT)"));
}

TEST_F(ScriptTest, ExactlyTheLimitAndArticlesAlreadyStoredAreNoRunaway) {
  app.Settings.articleLimit = 3;
  // Three new ones, then the same three again: nothing is added past the limit.
  EXPECT_NO_THROW(Run("FOR i := 1 TO 3 DO BEGIN PACK(0: i, 2: 1000 + i, 3: 'x'); PUTLOG(0) END;"
                      "FOR i := 1 TO 3 DO BEGIN PACK(0: i, 2: 1000 + i, 3: 'x'); PUTLOG(0) END"));
  EXPECT_EQ(Log().Count(), 3);
  // The next run counts again from 0.
  EXPECT_NO_THROW(Run("FOR i := 4 TO 6 DO BEGIN PACK(0: i, 2: 1000 + i, 3: 'x'); PUTLOG(0) END"));
  EXPECT_EQ(Log().Count(), 6);
}

TEST_F(ScriptTest, NoLimitSetMeansTheGenerousDefaults) {
  app.Settings.printLimitKb = 0;
  app.Settings.articleLimit = -1;
  Run("x := 1");
  auto& host = Host();
  EXPECT_EQ(host.PrintLimit, static_cast<std::size_t>(limits::kDefaultPrintLimitKb) << 10);
  EXPECT_EQ(host.ArticleLimit, limits::kDefaultArticleLimit);
}

TEST_F(ScriptTest, RunningOutOfMemoryEndsTheRunAndKeepsTheLogAsLastSaved) {
  Run("PACK(0: 1, 2: 1001, 3: 'saved'); PUTLOG(0)");
  Log().SaveLog();
  // The third article of the next run finds no memory.
  int added = 0;
  Log().OnAddItem = [&added](TScrapList&, const TDataInfo&) {
    if (++added == 3) throw std::bad_alloc();
  };
  try {
    Run("PACK(0: 1, 2: 1001, 3: 'changed'); PUTLOG(1); i := 1;"
        "WHILE TRUE DO BEGIN i := i + 1; PACK(0: i, 2: 1000 + i, 3: 'x'); PUTLOG(0) END");
    FAIL() << "the script ran to its end";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), app::OutOfMemoryMessage());
    EXPECT_EQ(std::string(e.what()), Utf8ToSjis("メモリが足りません"));
  }
  Log().OnAddItem = nullptr;
  ASSERT_EQ(Log().Count(), 1);
  EXPECT_EQ(Log().GetItem(0).TITLE, "saved");
  EXPECT_FALSE(Log().Modified());
  // The machine let go of what the run built.
  EXPECT_EQ(Machine().R.CurrentLine, 0);
}

}  // namespace
}  // namespace bq::test
