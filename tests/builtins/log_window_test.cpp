// The log, file and system operations (PUTLOG, UNPACK, LOGDEL, LOGSORT,
// SLEEP, DECODEURL, CLIPBOARD, SORTCSV, DELETEFILE, RENAMEFILE) and the
// window operations (MESSAGE, EXITMESSAGE, SHOWWINDOW, INPUT).
#include "platform/events.h"
#include "tests/builtins/script_fixture.h"

namespace bq::test {
namespace {

TEST_F(ScriptTest, PutLogStoresOnceAndReplacesOnlyWhenAsked) {
  Run("PACK(0: 1, 2: 100, 3: 'first'); a := PUTLOG(0); b := PUTLOG(0);"
      "PACK(0: 1, 2: 100, 3: 'second'); c := PUTLOG(0); d := PUTLOG(1); PACK(0: 2); e := PUTLOG(0)");
  EXPECT_EQ(Int("a"), 1);
  EXPECT_EQ(Int("b"), 0);
  EXPECT_EQ(Int("c"), 0);
  EXPECT_EQ(Int("d"), 1);
  EXPECT_EQ(Int("e"), 0);  // no title and no date: rejected
  ASSERT_EQ(Log().Count(), 1);
  EXPECT_EQ(Title(0), "second");
  EXPECT_EQ(Log().Folder.LastTopic, 1);
}

TEST_F(ScriptTest, PutLogKeepsTheRecordsFieldsAndThePageAddress) {
  Page("/x.html", "x");
  Run("GET('" + Url("/x.html?p=2") + "'); PACK(0: 3, 1: 1, 2: 5, 3: 'T', 4: 'A', 5: 'M', 6: 'H', 7: 'B', 8: 'HD',"
      "9: 'HO', 10: 'L'); PUTLOG(0)");
  ASSERT_EQ(Log().Count(), 1);
  TDataInfo a = Log().GetItem(0);
  EXPECT_EQ(a.TOPIC, 3);
  EXPECT_EQ(a.REFER, 1);
  EXPECT_EQ(a.DATE, 5u);
  EXPECT_EQ(a.AUTHOR, "A");
  EXPECT_EQ(a.MAILTO, "M");
  EXPECT_EQ(a.HP, "H");
  EXPECT_EQ(a.BODY, "B");
  EXPECT_EQ(a.HEAD, "HD");
  EXPECT_EQ(a.HOST, "HO");
  EXPECT_EQ(a.LINK, "L");
  EXPECT_EQ(a.PAGEURL, Url("/x.html"));
  EXPECT_TRUE(a.Unread);
}

TEST_F(ScriptTest, UnpackLoadsAnArticleByTopicAndLogDelRemovesIt) {
  Run("PACK(0: 7, 3: 'seven', 7: 'body'); PUTLOG(0); PACK(0: 8, 3: 'eight'); PUTLOG(0);"
      "UNPACK(7, 3: t, 7: b); UNPACK(99, 3: none); LOGDEL(8); n := @LOGCOUNT");
  EXPECT_EQ(Text("t"), "seven");
  EXPECT_EQ(Text("b"), "body");
  EXPECT_EQ(Text("none"), "");
  EXPECT_EQ(Int("n"), 1);
}

TEST_F(ScriptTest, LogSortOrdersByTheModeAndDirection) {
  Run("PACK(0: 2, 2: 200, 3: 'b'); PUTLOG(0); PACK(0: 1, 2: 100, 3: 'a'); PUTLOG(0); LOGSORT(0)");
  EXPECT_EQ(Log().GetItem(0).TOPIC, 1);
  EXPECT_FALSE(Log().Descending);
  Run("LOGSORT(0, 1)");
  EXPECT_TRUE(Log().Descending);
}

TEST_F(ScriptTest, DecodeUrlUndoesEscapesAndRejectsABrokenOne) {
  Run("a := DECODEURL('a%41b+c')");
  EXPECT_EQ(Text("a"), "aAb c");
  try {
    Run("a := DECODEURL('x%4')");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(SjisToUtf8(e.what()), "'%4' は整数ではありません");
  }
}

TEST_F(ScriptTest, ClipboardSortCsvAndSleep) {
  std::uint64_t before = TickCount64();
  Run("CLIPBOARD('copied'); c := @CLIPBOARD; s := SORTCSV('b,A,c', 1); t := SORTCSV('b,A,c'); u := SORTCSV(5);"
      "SLEEP(30); SLEEP('100000')");
  EXPECT_EQ(Text("c"), "copied");
  EXPECT_EQ(ui.clipboard, "copied");
  EXPECT_EQ(Text("s"), "c,b,A");
  EXPECT_EQ(Text("t"), "A,b,c");
  EXPECT_EQ(Text("u"), "");
  EXPECT_GE(TickCount64() - before, 30u);
}

TEST_F(ScriptTest, StopEndsASleepAtOnce) {
  pump.Add([this] { app.Stop(); });
  std::uint64_t before = TickCount64();
  Run("SLEEP(60000); after := 1");
  EXPECT_LT(TickCount64() - before, 5000u);
  EXPECT_EQ(Machine().State, script::RunState::Stopped);
}

TEST_F(ScriptTest, DeleteFileAndRenameFileOnlyActWhenTheyMay) {
  std::string a = dir + "a.txt", b = dir + "b.txt";
  fs::WriteFileAtomic(a, "A");
  fs::WriteFileAtomic(b, "B");
  Run("RENAMEFILE('" + a + "', '" + b + "')");  // target exists: skipped
  EXPECT_TRUE(fs::FileExists(a));
  Run("RENAMEFILE('" + a + "', '" + b + "', TRUE)");
  EXPECT_FALSE(fs::FileExists(a));
  std::string text;
  ASSERT_TRUE(fs::ReadFile(b, text));
  EXPECT_EQ(text, "A");
  Run("DELETEFILE('" + b + "'); DELETEFILE('" + dir + "missing.txt'); RENAMEFILE('', '" + b + "')");
  EXPECT_FALSE(fs::FileExists(b));
}

TEST_F(ScriptTest, MessageGoesToTheDesktopAndExitMessageEndsTheScript) {
  Run("MESSAGE('こんにちは'); a := 1; EXITMESSAGE('終わり'); a := 2");
  ASSERT_EQ(ui.calls.size(), 2u);
  EXPECT_EQ(ui.calls[0].what, "MessageBox");
  EXPECT_EQ(SjisToUtf8(ui.calls[0].text), "こんにちは");
  EXPECT_EQ(SjisToUtf8(ui.calls[1].text), "終わり");
  EXPECT_EQ(Int("a"), 1);
  EXPECT_EQ(Machine().State, script::RunState::Halted);
}

TEST_F(ScriptTest, InputChangesTheVariableOnlyOnOk) {
  ui.inputAnswers = {Utf8ToSjis("答え")};
  Run("v := 'old'; a := INPUT('題', '入力してください', v); w := 'keep'; b := INPUT('題', 'again', w)");
  EXPECT_EQ(Int("a"), 1);
  EXPECT_EQ(Text("v"), "答え");
  EXPECT_EQ(Int("b"), 0);
  EXPECT_EQ(Text("w"), "keep");
  ASSERT_GE(ui.calls.size(), 1u);
  EXPECT_EQ(SjisToUtf8(ui.calls[0].caption), "題");
  EXPECT_EQ(SjisToUtf8(ui.calls[0].text), "入力してください");
}

TEST_F(ScriptTest, ShowWindowPassesTheModeOn) {
  Run("SHOWWINDOW(2); SHOWWINDOW(3)");
  ASSERT_EQ(ui.calls.size(), 2u);
  EXPECT_EQ(ui.calls[0].what, "ShowWindow");
  EXPECT_EQ(ui.calls[0].number, 2);
  EXPECT_EQ(ui.calls[1].number, 3);
}

TEST_F(ScriptTest, SystemValuesComeFromTheLogTheFetcherAndTheFolders) {
  Page("/d.html", "d");
  Run("PACK(0: 1, 3: 'x'); PUTLOG(0); n := @LOGCOUNT; GET('" + Url("/d.html") + "'); dd := @DOCDATE;"
      "df := @DATAFOLDER; lf := @LIBFOLDER");
  EXPECT_EQ(Int("n"), 1);
  EXPECT_GT(Int("dd"), 0);
  EXPECT_EQ(Text("df"), site);
  EXPECT_EQ(Text("lf"), dir + "libs/");
}

}  // namespace
}  // namespace bq::test
