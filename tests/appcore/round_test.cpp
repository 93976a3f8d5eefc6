// Rounds, the fetch, the schedule tick, template variables and the export
// call of the application object, over site folders whose scripts fetch
// from the tests' own loopback server.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/core/local_server.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "tests/support/app_fixture.h"
#include "textlib/dates.h"

namespace bq::test {
namespace {

// A script storing one article titled by the folder's %URL% page text.
const char* kFetchOne =
    "SCRIPT one;\r\nBEGIN\r\n  GET(%URL%);\r\n  PACK(0: 1, 3: _, 2: 1000);\r\n  PUTLOG(0)\r\nEND.\r\n";

class RoundTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    Script("template.pss", kFetchOne);
    Script("one.pss", kFetchOne);
  }
  // A site folder below the log root fetching /page/NAME.
  std::string Folder(const std::string& rel, bool round, const std::string& script = "one.pss") {
    TFolderInfo info;
    info.SiteUrl = server.Url("/page/" + rel);
    info.ScriptName = script;
    info.RoundTarget = round;
    return Site(rel, info);
  }
  TFolderInfo Node(const std::string& path) {
    std::string text;
    TFolderInfo info;
    fs::ReadFile(path + "kvlnode.web", text);
    ParseNodeFile(text, info);
    return info;
  }
  int Articles(const std::string& path) {
    Log().OpenFolder(path);
    return Log().Count();
  }
  std::vector<std::string> Visited(const app::RoundEvents&) { return visited; }
  app::RoundEvents Recorder() {
    app::RoundEvents ev;
    ev.folderStarted = [this](const std::string& f, std::size_t) {
      visited.push_back(app::RelativeFolder(app.LogRoot(), f));
    };
    ev.folderDone = [this](const std::string&, int, const std::string& error) { errors.push_back(error); };
    return ev;
  }
  std::vector<std::string> visited, errors;
  int slowMs = 0;
  app::TLocalServer server{[this](const app::LocalRequest& r) {
    if (r.target == "/page/slow" && slowMs) std::this_thread::sleep_for(std::chrono::milliseconds(slowMs));
    return app::LocalResponse{200, "text/html", r.target.substr(6)};
  }};
};

TEST_F(RoundTest, CollectFoldersPutsTheStartFirstAndTheRestInPathOrderIgnoringCase) {
  Folder("b", true);
  Folder("A", true);
  Folder("A/z", true);
  Folder("C", true);
  std::vector<std::string> got;
  for (const auto& f : app.CollectFolders(app.LogRoot())) got.push_back(app::RelativeFolder(app.LogRoot(), f));
  EXPECT_EQ(got, (std::vector<std::string>{"", "A/", "A/z/", "b/", "C/"}));
}

TEST_F(RoundTest, ARoundRunsTheStartFolderAndOnlyTheMarkedFoldersBelowIt) {
  std::string start = Folder("s", false);
  Folder("s/marked", true);
  Folder("s/unmarked", false);
  Folder("other", true);
  app.RoundAction(start, Recorder());
  EXPECT_EQ(visited, (std::vector<std::string>{"s/", "s/marked/"}));
  EXPECT_EQ(Articles(start), 1);
  EXPECT_EQ(Articles(app.LogRoot() + "s/marked/"), 1);
  EXPECT_EQ(Articles(app.LogRoot() + "s/unmarked/"), 0);
}

TEST_F(RoundTest, FoldersWithoutAnAddressArePassedOverWithoutAWord) {
  std::string group = Folder("g", true);
  std::string empty = Folder("g/empty", true);
  Folder("g/site", true);
  for (const std::string& f : {group, empty}) {
    TFolderInfo info = Node(f);
    info.SiteUrl.clear();
    fs::WriteFileAtomic(f + "kvlnode.web", FormatNodeFile(info));
  }
  app.RoundAction(group, Recorder());
  app.TimerAction(Recorder());
  EXPECT_EQ(visited, (std::vector<std::string>{"g/site/", "g/site/"}));
  EXPECT_EQ(errors, (std::vector<std::string>{"", ""}));
  EXPECT_EQ(MessageBoxes(), 0);
  for (const std::string& f : {app.LogRoot(), group, empty}) {
    EXPECT_FALSE(fs::FileExists(f + "kvllog.dat")) << f;
    EXPECT_EQ(Node(f).LastRound, 0u) << f;
  }
}

TEST_F(RoundTest, ErrorsInOneFolderAreShownAndTheRoundGoesOn) {
  Script("broken.pss", "SCRIPT b;\r\nBEGIN x := END.\r\n");
  Script("fails.pss", "SCRIPT f;\r\nBEGIN GET(%URL%); PACK(0: 1, 3: 'before'); PUTLOG(0); x := DECODEURL('%') END.\r\n");
  Folder("a", true, "broken.pss");
  std::string b = Folder("b", true, "fails.pss");
  std::string c = Folder("c", true);
  app.TimerAction(Recorder());
  EXPECT_EQ(visited, (std::vector<std::string>{"a/", "b/", "c/"}));
  EXPECT_EQ(MessageBoxes(), 2);
  EXPECT_EQ(SjisToUtf8(errors[0]).rfind("構文エラー", 0), 0u) << SjisToUtf8(errors[0]);
  EXPECT_EQ(SjisToUtf8(errors[1]), "'%' は整数ではありません");
  EXPECT_EQ(errors[2], "");
  // The failing run still wrote LastRound, and what it stored before the
  // error is kept.
  EXPECT_GT(Node(b).LastRound, 0u);
  EXPECT_EQ(Articles(b), 1);
  EXPECT_EQ(Articles(c), 1);
}

TEST_F(RoundTest, StopDuringTheSecondOfFiveFoldersLeavesTheRestUntouchedAndWritesTheRoundLine) {
  std::string top = Folder("top", false);
  std::vector<std::string> f;
  for (const char* n : {"top/f1", "top/f2", "top/f3", "top/f4", "top/f5"}) f.push_back(Folder(n, true));
  Script("one.pss",
         "SCRIPT one;\r\nBEGIN GET(%URL%); PACK(0: 1, 3: _, 2: 1000); PUTLOG(0); i := 0;"
         "WHILE i < 100000 DO i := i + 1 END.\r\n");
  auto ev = Recorder();
  bool stopNow = false;
  ev.folderStarted = [&](const std::string& folder, std::size_t) {
    visited.push_back(app::RelativeFolder(app.LogRoot(), folder));
    stopNow = visited.back() == "top/f2/";
  };
  pump.Add([&] {
    if (stopNow) app.Stop();
  });
  std::string line = app.RoundWithLog(top, " end", ev);
  EXPECT_EQ(visited, (std::vector<std::string>{"top/", "top/f1/", "top/f2/"}));
  for (int i = 2; i < 5; ++i) {
    EXPECT_FALSE(fs::FileExists(f[i] + "kvllog.dat")) << f[i];
    EXPECT_EQ(Node(f[i]).LastRound, 0u) << f[i];
  }
  std::string log;
  ASSERT_TRUE(fs::ReadFile(app.RoundLogPath(), log));
  EXPECT_EQ(log, line + "\r\n");
  EXPECT_EQ(line.rfind("Folder Round: ", 0), 0u);
  // top and f1 count; f2 may have stored its article before the stop came.
  EXPECT_TRUE(line.find(" , Unread Total: 2 end") != std::string::npos ||
              line.find(" , Unread Total: 3 end") != std::string::npos)
      << line;
}

TEST_F(RoundTest, AWatchdogExpiryLetsTheFolderFinishAndEndsTheRoundBeforeTheNext) {
  Script("slow.pss",
         "SCRIPT s;\r\nBEGIN r := GET(%URL%); PACK(0: 9, 3: 'after the timeout', 2: 5); PUTLOG(0) END.\r\n");
  Folder("r1", true);
  std::string slow = Folder("slow", true, "slow.pss");
  std::string after = Folder("t3", true);
  app.Settings.httpTimeout = 1;
  slowMs = 2500;
  app.TimerAction(Recorder());
  EXPECT_EQ(visited, (std::vector<std::string>{"r1/", "slow/"}));
  EXPECT_EQ(Articles(slow), 1);  // the script went on after its GET failed
  EXPECT_EQ(Articles(after), 0);
  std::string log;
  ASSERT_TRUE(fs::ReadFile(app.RoundLogPath(), log));
  EXPECT_NE(log.find("Folder Round: "), std::string::npos);
}

TEST_F(RoundTest, ARerunAddsNoDuplicateArticles) {
  std::string a = Folder("a", true);
  app.TimerAction();
  app.TimerAction();
  EXPECT_EQ(Articles(a), 1);
  std::string log;
  ASSERT_TRUE(fs::ReadFile(app.RoundLogPath(), log));
  // " ＠ＡＬＬ" ends each scheduled round's line.
  std::string all = " \x81\x97\x82\x60\x82\x6b\x82\x6b\r\n";
  EXPECT_EQ(log.size() > 2 * all.size(), true);
  EXPECT_EQ(log.substr(log.size() - all.size()), all);
  EXPECT_NE(log.find(all), log.size() - all.size());
}

// A script saved with bare LFs (and a clip template, whose end marker must
// follow a line break) runs as if it had been saved with CR LF.
TEST_F(RoundTest, ScriptsSavedWithBareLineFeedsRun) {
  Script("lf.pss",
         "SCRIPT lf;\nrec[]:-\n*\n-::\nBEGIN\n  GET(%URL%);\n  PACK(0: 1, 3: _, 2: 1000);\n  PUTLOG(0)\nEND.\n");
  std::string a = Folder("a", true, "lf.pss");
  app.TimerAction();
  EXPECT_EQ(Articles(a), 1);
  EXPECT_EQ(MessageBoxes(), 0);
  // New articles are unread: the total the tray's ACTIVE image asks for is
  // the one of the round line.
  EXPECT_GE(app.LastRoundTotal, 1);
  EXPECT_NE(app.LastRoundLine.find("Unread Total: " + std::to_string(app.LastRoundTotal)), std::string::npos);
}

TEST_F(RoundTest, RoundActionNamesTheFolderBelowTheLogRoot) {
  std::string s = Folder("x/y", true);
  std::string line = app.RoundAction(s);
  EXPECT_EQ(line.substr(line.size() - 7), " \x81\x97x/y/");
}

// A round log that cannot be opened stops the round before any folder runs,
// with a message in Japanese, for a round by hand and for one over all.
TEST_F(RoundTest, ARoundLogThatCannotBeOpenedStopsTheRoundBeforeItStarts) {
  const std::string site = Folder("x", true);
  fs::ForceDirectories(app.RoundLogPath());  // a directory where the file should be
  for (bool all : {false, true}) {
    try {
      all ? app.TimerAction(Recorder()) : app.RoundAction(site, Recorder());
      ADD_FAILURE() << "the round ran";
    } catch (const Exception& e) {
      EXPECT_EQ(U(e.what()), "巡回ログに書き込めません: " + U(app.RoundLogPath()));
    }
  }
  EXPECT_TRUE(visited.empty());
  EXPECT_EQ(Node(site).LastRound, 0u);
  EXPECT_FALSE(app.FailedWrites().empty());
}

int RoundLines(const std::string& path) {
  std::string text;
  fs::ReadFile(path, text);
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(RoundTest, TheScheduleTickRunsOncePerMatchingMinute) {
  Folder("a", true);
  app.SetSchedule(true, 1u << 13, 45);
  const std::uint32_t at = EncodeDate(2026, 12, 8, 13, 45, 2);
  UnsavedEditor editor;
  struct Tick {
    std::uint32_t now;
    bool unsaved;
    bool runs;
    std::uint32_t interval;
  };
  const Tick ticks[] = {
      {at - 60, false, false, 5000},    // 13:44
      {at - 3600, false, false, 5000},  // 12:45
      {at, true, false, 5000},          // unsaved script changes
      {at + 5, false, true, 60000},
      {at + 10, false, false, 5000},    // the same minute again
      {at + 60, false, false, 5000},    // 13:46
      {at + 86400, false, true, 60000}, // the next day
  };
  for (const Tick& t : ticks) {
    app.AttachEditor(t.unsaved ? &editor : nullptr);
    EXPECT_EQ(app.ScheduleTick(t.now), t.runs) << DisplayDateTime(t.now);
    EXPECT_EQ(app.ScheduleInterval(), t.interval) << DisplayDateTime(t.now);
  }
  app.AttachEditor(nullptr);
  EXPECT_EQ(RoundLines(app.RoundLogPath()), 2);
}

TEST_F(RoundTest, AScheduledMinuteTheRoundLogTellsOfDoesNotRunAgainAfterARestart) {
  Folder("a", true);
  // The round line an earlier run of the program (or the other program)
  // wrote for the round it started at 13:45:07; a round below a folder in
  // the same minute does not count.
  const std::uint32_t at = EncodeDate(2026, 12, 8, 13, 45, 30);
  fs::AppendFile(app.RoundLogPath(), app::RoundLine(at - 23, at - 20, 0) + " \x81\x97\x82\x60\x82\x6b\x82\x6b\r\n" +
                                         app::RoundLine(at - 5, at - 4, 0) + " \x81\x97" + "a/\r\n");
  EXPECT_EQ(app::LastRoundOverAllStart(app.RoundLogPath()), at - 23);
  app.SetSchedule(true, 1u << 13, 45);
  EXPECT_FALSE(app.ScheduleTick(at));
  EXPECT_TRUE(app.ScheduleTick(at + 3600 * 24));
  EXPECT_EQ(RoundLines(app.RoundLogPath()), 3);
}

TEST_F(RoundTest, RestartedWithinTheMinuteOfAScheduledRoundTheRoundRunsOnce) {
  Folder("a", true);
  // Both starts fall in one minute: not in the last ten seconds of one.
  while (NowDate() % 60 >= 50) SleepMs(200);
  const DateParts now = DecodeDate(NowDate());
  app.SetSchedule(true, 1u << now.hour, now.minute);
  EXPECT_TRUE(app.ScheduleTick(NowDate()));
  EXPECT_EQ(RoundLines(app.RoundLogPath()), 1);
  // The program started again over the same data folder.
  app::TApplication again(ui, pump, NoProxy);
  SetUpApplication(again);
  EXPECT_FALSE(again.ScheduleTick(NowDate()));
  EXPECT_FALSE(again.ServerScheduleTick(NowDate()));
  EXPECT_EQ(RoundLines(app.RoundLogPath()), 1);
}

TEST_F(RoundTest, TemplateVariablesComeFromTheOpenFolder) {
  std::string a = Folder("a", true);
  Log().OpenFolder(a);
  Log().Folder.LastTopic = 41;
  Log().Folder.UserName = "user";
  Log().Folder.LoginPassword = "pw";
  Log().Folder.NickName = "nick";
  Log().Folder.DelPass = "dp";
  Log().Folder.HomePage = "hp";
  Log().Folder.Mailto = "m@x";
  Log().Folder.SiteReferer = "ref";
  Script("vars.pss",
         "SCRIPT v;\r\nBEGIN s := %URL% + '|' + %SEQ% + '|' + %USER% + %PASS% + %NAME% + %DPASS% + %HOME% + %MAIL% +"
         " %REFERER%; PACK(0: %SEQ% + 1, 2: 7, 3: s); PUTLOG(0) END.\r\n");
  Log().Folder.ScriptName = "vars.pss";
  app.LoadAndCompile();
  app.ExecAction();
  ASSERT_EQ(Log().Count(), 1);
  EXPECT_EQ(Log().GetItem(0).TITLE, server.Url("/page/a") + "|41|userpwnickdphpm@xref");
  EXPECT_EQ(Log().GetItem(0).TOPIC, 42);
  EXPECT_GT(Log().Folder.LastRound, 0u);
}

TEST_F(RoundTest, LastDateAndRoundAreNumbersFromTheLogAndTheNode) {
  std::string a = Folder("a", true, "dates.pss");
  Script("dates.pss",
         "SCRIPT d;\r\nBEGIN PACK(0: 1, 2: %LASTDATE% + 10, 3: 'x' + %ROUND%); PUTLOG(0) END.\r\n");
  Log().OpenFolder(a);
  Log().Folder.LastRound = 77;
  TDataInfo old;
  old.TOPIC = 9;
  old.DATE = 500;
  old.TITLE = "old";
  Log().AddItem(old, false);
  app.LoadAndCompile();
  app.ExecAction();
  ASSERT_EQ(Log().Count(), 2);
  EXPECT_EQ(Log().GetTopic(1).DATE, 510u);
  EXPECT_EQ(Log().GetTopic(1).TITLE, "x77");
}

// The fetch and the opening of a folder for showing take the thread order's
// direction from the settings (newest thread first by default), and the log
// is saved in that order.
TEST_F(RoundTest, TheFetchAndOpeningAFolderSortByTheDefaultOrderOfTheSettings) {
  std::string a = Folder("a", true, "two.pss");
  Script("two.pss",
         "SCRIPT t;\r\nBEGIN PACK(0: 1, 2: 1000, 3: 'old'); PUTLOG(0); PACK(0: 2, 2: 2000, 3: 'new'); PUTLOG(0) END.\r\n");
  auto titles = [this] {
    std::string t;
    for (int i = 0; i < Log().Count(); ++i) t += Log().GetItem(i).TITLE + ",";
    return t;
  };
  Log().OpenFolder(a);
  app.LoadAndCompile();
  ASSERT_TRUE(app.Settings.sortByNew);  // the default
  app.ExecAction();
  EXPECT_EQ(titles(), "new,old,");
  Log().SaveLog();
  ASSERT_TRUE(Log().OpenFolder(app.LogRoot()));
  ASSERT_TRUE(Log().OpenFolder(a));
  EXPECT_EQ(titles(), "new,old,");  // as saved

  app.Settings.sortByNew = false;
  ASSERT_TRUE(Log().OpenFolder(app.LogRoot()));
  ASSERT_TRUE(app.OpenFolderForShowing(a));
  EXPECT_EQ(titles(), "old,new,");
  app.ExecAction();
  EXPECT_EQ(titles(), "old,new,");
  app.Settings.sortByNew = true;
  ASSERT_TRUE(Log().OpenFolder(app.LogRoot()));
  ASSERT_TRUE(app.OpenFolderForShowing(a));
  EXPECT_EQ(titles(), "new,old,");
}

TEST(RoundLine, ShowsStartDateAndTimeEndTimeAndTotal) {
  std::uint32_t start = EncodeDate(2026, 12, 8, 13, 7, 18);
  EXPECT_EQ(app::RoundLine(start, start + 62, 5), "Folder Round: 2026/12/08 13:07:18 - 13:08:20 , Unread Total: 5");
  EXPECT_EQ(app::RelativeFolder("/d/Log/", "/d/Log/a/b"), "a/b/");
  EXPECT_EQ(app::RelativeFolder("/d/Log/", "/d/Log/"), "");
}

TEST_F(RoundTest, AMissingScriptFileFallsBackToTheTemplate) {
  std::string a = Folder("a", true, "nothere.pss");
  Log().OpenFolder(a);
  EXPECT_EQ(app.ScriptPath(), dir + "libs/template.pss");
}

TEST_F(RoundTest, ExportCallsTheScriptsExportProcedureWithItsArguments) {
  std::string a = Folder("a", true, "exp.pss");
  Script("exp.pss",
         "SCRIPT e;\r\nPROCDEF EXPORT(file, target, del)\r\nBEGIN\r\n  s := '';\r\n"
         "  FOREACH t IN @TOPICS[target] DO BEGIN UNPACK(t, 3: title); s := s + title + ','; IF del THEN LOGDEL(t) END;\r\n"
         "  s := s + target + del;\r\n  SAVEF(file, s)\r\nEND;\r\nBEGIN GET(%URL%); PACK(0: 1, 2: 1, 3: 'one'); PUTLOG(0);"
         " PACK(0: 2, 2: 2, 3: 'two'); PUTLOG(0) END.\r\n");
  Log().OpenFolder(a);
  app.LoadAndCompile();
  EXPECT_TRUE(app.HasExport());
  app.ExecAction();
  Log().MarkRead(Log().GetItem(0).TITLE == "one" ? 0 : 1);
  app.Export(dir + "out.txt", 3, true);
  std::string out;
  ASSERT_TRUE(fs::ReadFile(dir + "out.txt", out));
  EXPECT_EQ(out, "two,31");
  EXPECT_EQ(Log().Count(), 1);
  Script("template.pss", kFetchOne);
  Log().Folder.ScriptName = "";
  app.LoadAndCompile();
  EXPECT_FALSE(app.HasExport());
}

TEST_F(RoundTest, FolderSetUpCreatesTheDataFolderLogRootAndCache) {
  EXPECT_TRUE(fs::DirectoryExists(dir + "data/Log/"));
  EXPECT_TRUE(fs::DirectoryExists(dir + "data/cache/"));
  EXPECT_EQ(app.RoundLogPath(), dir + "data/Log/RoundLog.txt");
  EXPECT_EQ(app.Settings.logHist.find("data"), app.Settings.logHist.find(dir + "data/") + dir.size());
}

}  // namespace
}  // namespace bq::test

namespace bq::test {
namespace {

TEST_F(RoundTest, StatusTextsShowTheFolderBeingRun) {
  std::string a = Folder("a", true);
  std::vector<std::string> seen;
  app.Status.OnChange = [&seen](int panel, const std::string& text) {
    seen.push_back(std::to_string(panel) + ":" + text);
  };
  app.RoundAction(a);
  EXPECT_NE(std::find(seen.begin(), seen.end(), "1:one.pss"), seen.end());
  EXPECT_NE(std::find(seen.begin(), seen.end(), "2:" + server.Url("/page/a")), seen.end());
}

}  // namespace
}  // namespace bq::test

namespace bq::test {
namespace {

// The desktop's rounds: errors go to the round report instead of a message
// box, and the unread counts before and after each run give the news.
TEST_F(RoundTest, QuietRoundsReportErrorsWithoutAMessageBoxAndCountNewUnread) {
  Script("fails.pss", "SCRIPT f;\r\nBEGIN x := DECODEURL('%') END.\r\n");
  std::string a = Folder("a", true);
  std::string b = Folder("b", true, "fails.pss");
  std::string c = Folder("c", true);
  app.TimerAction();  // a and c hold one article each now; b's error showed a box
  ASSERT_EQ(MessageBoxes(), 1);
  Script("one.pss",
         "SCRIPT one;\r\nBEGIN GET(%URL%); PACK(0: 2, 3: 'second', 2: 2000); PUTLOG(0)END.\r\n");
  auto ev = Recorder();
  std::vector<std::string> opened;
  ev.folderOpened = [&](const std::string& f, int unread) {
    opened.push_back(app::RelativeFolder(app.LogRoot(), f) + "=" + std::to_string(unread));
  };
  std::vector<int> after;
  ev.folderDone = [&](const std::string&, int unread, const std::string& error) {
    errors.push_back(error);
    after.push_back(unread);
  };
  ev.quietErrors = true;
  app.TimerAction(ev);
  EXPECT_EQ(MessageBoxes(), 1);  // none added
  EXPECT_EQ(opened, (std::vector<std::string>{"a/=1", "b/=0", "c/=1"}));
  EXPECT_EQ(after, (std::vector<int>{2, 0, 2}));
  EXPECT_EQ(SjisToUtf8(errors[1]), "'%' は整数ではありません");
  EXPECT_EQ(Articles(a), 2);
  EXPECT_EQ(Articles(c), 2);
}

// Switching the data folder saves the open folder's log first, and opens a
// folder of the new root, never the old root's last folder.
TEST_F(RoundTest, ANewDataFolderKeepsTheOldLogAndOpensAFolderOfTheNewRoot) {
  std::string a = Folder("a", true);
  Log().OpenFolder(a);
  TDataInfo art;
  art.TOPIC = 5;
  art.TITLE = "kept";
  Log().AddItem(art, false);
  app.SetupFolders(dir + "other/");
  // The old root remembers a/ as its last folder.
  std::string def;
  ASSERT_TRUE(fs::ReadFile(dir + "data/Log/weblog.def", def));
  EXPECT_NE(def.find(a), std::string::npos) << def;
  EXPECT_EQ(app.LogRoot(), dir + "other/Log/");
  EXPECT_EQ(Log().FolderPath(), dir + "other/Log/");
  EXPECT_EQ(Log().Count(), 0);
  EXPECT_EQ(Articles(a), 1);
}

TEST_F(RoundTest, SettingUpTheSameDataFolderAgainKeepsTheOpenLog) {
  std::string a = Folder("a", true);
  Log().OpenFolder(a);
  TDataInfo art;
  art.TOPIC = 5;
  art.TITLE = "kept";
  Log().AddItem(art, false);
  app.SetupFolders(dir + "data/");
  Log().SaveLog();
  EXPECT_EQ(Articles(a), 1);
}

}  // namespace
}  // namespace bq::test
