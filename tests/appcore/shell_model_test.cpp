// The shell's rules without a display: command words, folder images and
// paths, the clock, the instance key, the file layout and the data folder.
#include <gtest/gtest.h>

#include "app/core/shell/command_line.h"
#include "app/core/shell/program_layout.h"
#include "app/core/shell/shell_model.h"
#include "app/core/shell/viewer_page.h"
#include "platform/fs.h"
#include "tests/support/app_fixture.h"
#include "textlib/dates.h"

namespace bq::test {
namespace {

using app::CommandWord;

TEST(CommandWords, MatchAsPrefixOfTheTextIgnoringAsciiCase) {
  EXPECT_EQ(app::MatchCommandWord("SHOW"), CommandWord::Show);
  EXPECT_EQ(app::MatchCommandWord("all"), CommandWord::All);
  EXPECT_EQ(app::MatchCommandWord("Quit"), CommandWord::Quit);
  EXPECT_EQ(app::MatchCommandWord("runnow"), CommandWord::Run);
  EXPECT_EQ(app::MatchCommandWord("Folders please"), CommandWord::Folder);
}

TEST(CommandWords, ShorterOrOtherTextsDoNothing) {
  EXPECT_EQ(app::MatchCommandWord(""), CommandWord::None);
  EXPECT_EQ(app::MatchCommandWord("qui"), CommandWord::None);
  EXPECT_EQ(app::MatchCommandWord(" all"), CommandWord::None);
  EXPECT_EQ(app::MatchCommandWord("al1"), CommandWord::None);
  // Only ASCII letters are folded: a full-width "ＡＬＬ" is not ALL.
  EXPECT_EQ(app::MatchCommandWord(Utf8ToSjis("ＡＬＬ")), CommandWord::None);
}

TEST(FolderImages, EightStatesAndTheTopNode) {
  EXPECT_EQ(app::FolderImageIndex(true, true, true, true), 0);
  EXPECT_EQ(app::FolderImageIndex(false, false, false, false), 1);
  EXPECT_EQ(app::FolderImageIndex(false, false, false, true), 2);
  EXPECT_EQ(app::FolderImageIndex(false, true, false, false), 3);
  EXPECT_EQ(app::FolderImageIndex(false, true, false, true), 4);
  EXPECT_EQ(app::FolderImageIndex(false, false, true, false), 5);
  EXPECT_EQ(app::FolderImageIndex(false, false, true, true), 6);
  EXPECT_EQ(app::FolderImageIndex(false, true, true, false), 7);
  EXPECT_EQ(app::FolderImageIndex(false, true, true, true), 8);
  EXPECT_EQ(app::RootCaption(), Utf8ToSjis("インターネット"));
}

TEST(FolderCaptions, TheUnreadCountStandsBesideTheNameWhenThereIsOneAndItIsShown) {
  struct Case {
    const char* name;
    int unread;
    bool shown;
    const char* caption;
  } const cases[] = {
      {"駅前掲示板", 7, true, "駅前掲示板 (7)"}, {"駅前掲示板", 0, true, "駅前掲示板"},
      {"駅前掲示板", 7, false, "駅前掲示板"},    {"news (old)", 12345, true, "news (old) (12345)"},
      {"a", -1, true, "a"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(app::FolderNodeCaption(Utf8ToSjis(c.name), c.unread, c.shown), Utf8ToSjis(c.caption)) << c.name;
}

using FolderDisk = TestFolder;

TEST_F(FolderDisk, SubfoldersSortedIgnoringCaseWithoutFiles) {
  const std::string top = dir + "top/";
  for (const char* n : {"beta", "Alpha", "gamma", "駅前"}) fs::ForceDirectories(top + Utf8ToSjis(n));
  fs::WriteFileAtomic(top + "aaa.txt", "x");
  std::vector<std::string> names = app::SubfolderNames(top);
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(names[0], "Alpha");
  EXPECT_EQ(names[1], "beta");
  EXPECT_EQ(names[2], "gamma");
  EXPECT_EQ(names[3], Utf8ToSjis("駅前"));
  EXPECT_TRUE(app::HasSubfolders(top));
  EXPECT_FALSE(app::HasSubfolders(top + "beta"));
}

TEST(FolderPaths, CaptionsAndPathsRoundTrip) {
  std::string root = "/d/Log/";
  EXPECT_EQ(app::NodePath(root, {}), root);
  EXPECT_EQ(app::NodePath("/d/Log", {"a", "b"}), "/d/Log/a/b/");
  EXPECT_EQ(app::NodeCaptions(root, "/d/Log/a/b/"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(app::NodeCaptions(root, "/D/log/a"), (std::vector<std::string>{"a"}));
  EXPECT_TRUE(app::NodeCaptions(root, root).empty());
  EXPECT_TRUE(app::NodeCaptions(root, "/elsewhere/a/").empty());
}

TEST(StatusTexts, TheClockShowsTheProgramsTimeAndNamesItsZoneWhenTheMachinesDiffers) {
  struct Case {
    std::uint32_t date;
    bool namesZone;
    const char* text;
  } cases[] = {
      {EncodeDate(2026, 12, 8, 9, 5, 0), false, " 09:05:00"},
      {EncodeDate(2026, 12, 8, 23, 59, 59), false, " 23:59:59"},
      {EncodeDate(2026, 12, 8, 23, 59, 59), true, " 日本時間 23:59:59"},
  };
  for (const Case& c : cases) EXPECT_EQ(SjisToUtf8(app::ClockText(c.date, c.namesZone)), c.text);
}

// The machine's zone decides only whether the zone is named: the time is
// the program's in every zone.
TEST(StatusTexts, TheMachinesZoneIsComparedWithUtcPlusNine) {
  const std::string old = getenv("TZ") ? getenv("TZ") : "";
  const bool hadTz = getenv("TZ") != nullptr;
  struct Case {
    const char* tz;
    bool same;
  } cases[] = {{"UTC0", false}, {"JST-9", true}, {"EST5", false}};
  for (const Case& c : cases) {
    setenv("TZ", c.tz, 1);
    tzset();
    EXPECT_EQ(app::MachineInProgramZone(), c.same) << c.tz;
    EXPECT_EQ(app::ProgramZoneNotice().empty(), c.same) << c.tz;
    EXPECT_EQ(SjisToUtf8(app::ClockText()).find("日本時間") != std::string::npos, !c.same) << c.tz;
  }
  if (hadTz)
    setenv("TZ", old.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST(InstanceKey, OnePerUserAndSettingsFile) {
  std::string a = app::InstanceKey("1000", "/home/u/.config/brindlequay/brindlequay.ini");
  EXPECT_EQ(a, app::InstanceKey("1000", "/home/u/.config/brindlequay/brindlequay.ini"));
  EXPECT_NE(a, app::InstanceKey("1001", "/home/u/.config/brindlequay/brindlequay.ini"));
  EXPECT_NE(a, app::InstanceKey("1000", "/tmp/t1/brindlequay.ini"));
  std::string odd = app::InstanceKey("we ird/名前", std::string(5000, 'x'));
  EXPECT_LE(odd.size(), 100u);
  EXPECT_EQ(odd.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-"),
            std::string::npos);
}

TEST(Layout, PortableBesideTheProgram) {
  app::LayoutInput in;
  in.exeDir = "/opt/bq";
  in.exeDirWritable = true;
  in.home = "/home/u";
  app::ProgramLayout l = app::ChooseLayout(in);
  EXPECT_FALSE(l.installed);
  EXPECT_EQ(l.settingsFile, "/opt/bq/brindlequay.ini");
  EXPECT_EQ(l.defaultDataFolder, "/opt/bq/Log/");
  EXPECT_EQ(l.libsFolder, "/opt/bq/libs/");
  EXPECT_EQ(l.helpPage, "/opt/bq/help/index.html");
  EXPECT_EQ(l.referencePage, "/opt/bq/help/script-reference.html");
  EXPECT_EQ(l.guidePage, "/opt/bq/help/script-guide.html");
  EXPECT_EQ(l.dataOption, "");
}

TEST(Layout, TheDataFolderIsTheOptionElseTheSettingElseTheDefault) {
  app::LayoutInput in;
  in.exeDir = "/opt/bq";
  app::ProgramLayout l = app::ChooseLayout(in);
  EXPECT_EQ(app::ChooseDataFolder(l, ""), "/opt/bq/Log/");
  EXPECT_EQ(app::ChooseDataFolder(l, "/srv/logs/"), "/srv/logs/");
  in.dataOption = "/mnt/data";
  EXPECT_EQ(app::ChooseDataFolder(app::ChooseLayout(in), "/srv/logs/"), "/mnt/data/");
}

TEST(Layout, InstalledUnderXdgFoldersAndOptionsWin) {
  app::LayoutInput in;
  in.exeDir = "/usr/bin/";
  in.exeDirWritable = false;
  in.home = "/home/u";
  app::ProgramLayout l = app::ChooseLayout(in);
  EXPECT_TRUE(l.installed);
  EXPECT_EQ(l.settingsFile, "/home/u/.config/brindlequay/brindlequay.ini");
  EXPECT_EQ(l.defaultDataFolder, "/home/u/.local/share/brindlequay/Log/");
  EXPECT_EQ(l.libsFolder, "/home/u/.local/share/brindlequay/libs/");
  EXPECT_EQ(l.installedLibs, "/usr/bin/../share/brindlequay/libs/");
  EXPECT_EQ(l.helpPage, "/usr/bin/../share/brindlequay/help/index.html");
  EXPECT_EQ(l.referencePage, "/usr/bin/../share/brindlequay/help/script-reference.html");
  EXPECT_EQ(l.guidePage, "/usr/bin/../share/brindlequay/help/script-guide.html");
  // Installed into a prefix the user owns: still the XDG folders.
  in.exeDirWritable = true;
  in.installedCopy = true;
  EXPECT_TRUE(app::ChooseLayout(in).installed);
  in.xdgConfigHome = "/x/cfg";
  in.xdgDataHome = "/x/data/";
  in.settingsOption = "/t/my.ini";
  in.dataOption = "/t/data";
  in.libsOption = "/t/libs";
  l = app::ChooseLayout(in);
  EXPECT_EQ(l.settingsFile, "/t/my.ini");
  EXPECT_EQ(l.dataOption, "/t/data/");
  EXPECT_EQ(l.defaultDataFolder, "/x/data/brindlequay/Log/");
  EXPECT_EQ(l.libsFolder, "/t/libs/");
}

TEST(Layout, DataFolderIsTheOptionElseTheSettingsElseTheDefault) {
  app::LayoutInput in;
  in.exeDir = "/usr/bin/";
  in.exeDirWritable = false;
  in.home = "/home/u";
  struct Case {
    const char* option;
    const char* settings;
    const char* data;
  };
  for (const Case& c : {Case{"", "", "/home/u/.local/share/brindlequay/Log/"}, Case{"", "/s/data", "/s/data/"},
                        Case{"/o/data", "/s/data/", "/o/data/"}, Case{"/o/data/", "", "/o/data/"}}) {
    in.dataOption = c.option;
    std::string data = app::ChooseDataFolder(app::ChooseLayout(in), c.settings);
    EXPECT_EQ(data, c.data) << c.option << " " << c.settings;
    EXPECT_EQ(app::LogRootOf(data), std::string(c.data) + "Log/");
  }
}

}  // namespace
}  // namespace bq::test

namespace bq::test {
namespace {

TEST(DesktopCommandLine, OptionsAndTheWord) {
  app::DesktopOptions o =
      app::ParseDesktopArgs({"--data", "/d", "--settings", "/s.ini", "--libs", "/l", "all", "extra"});
  EXPECT_EQ(o.error, "");
  EXPECT_EQ(o.data, "/d");
  EXPECT_EQ(o.settings, "/s.ini");
  EXPECT_EQ(o.libs, "/l");
  EXPECT_EQ(o.word, "all");
  EXPECT_EQ(app::ParseDesktopArgs({"Quit"}).word, "Quit");
  EXPECT_EQ(app::ParseDesktopArgs({}).word, "");
  EXPECT_EQ(app::ParseDesktopArgs({"--screenshot", "x.png"}).screenshot, "x.png");
}

TEST(DesktopCommandLine, MissingValuesAndUnknownOptionsAreErrors) {
  EXPECT_EQ(app::ParseDesktopArgs({"--data"}).error, "--data needs a value");
  EXPECT_EQ(app::ParseDesktopArgs({"--settings", ""}).error, "--settings needs a value");
  EXPECT_EQ(app::ParseDesktopArgs({"--bogus"}).error, "unknown option --bogus");
  EXPECT_TRUE(app::ParseDesktopArgs({"--help"}).help);
  EXPECT_TRUE(app::ParseDesktopArgs({"--version"}).version);
  EXPECT_FALSE(app::ParseDesktopArgs({"show"}).version);
}

}  // namespace
}  // namespace bq::test

namespace bq::test {
namespace {

TEST(Viewer, LinksOfTheHelpStayInsideAndOtherSchemesAreShownToCopy) {
  struct Case {
    const char* url;
    app::ViewerLink kind;
  } cases[] = {
      {"script-reference.html#b-GET", app::ViewerLink::Inside},
      {"#top", app::ViewerLink::Inside},
      {"file:///usr/share/brindlequay/help/index.html", app::ViewerLink::Inside},
      {"FILE:///x.html", app::ViewerLink::Inside},
      {"dir:with/colon.html", app::ViewerLink::Outside},
      {"1x:odd.html", app::ViewerLink::Inside},
      {"https://example.org/", app::ViewerLink::Outside},
      {"HTTP://example.org/", app::ViewerLink::Outside},
      {"mailto:someone@example.org", app::ViewerLink::Outside},
  };
  for (const Case& c : cases) EXPECT_EQ(app::ClassifyViewerLink(c.url), c.kind) << c.url;
}

class ViewerFiles : public TestFolder {};

TEST_F(ViewerFiles, AShiftJisLogIsReadAsTextAPageAsItselfAndAMissingFileNot) {
  fs::WriteFileAtomic(dir + "RoundLog.txt", Utf8ToSjis("Folder Round: 2026/12/08 13:45:00 ＠ＡＬＬ\r\n"));
  fs::WriteFileAtomic(dir + "index.HTML", "<html><body>x</body></html>");
  fs::ForceDirectories(dir + "folder.html/");
  app::ViewerDocument log = app::ReadViewerDocument(dir + "RoundLog.txt");
  EXPECT_TRUE(log.readable);
  EXPECT_FALSE(log.html);
  EXPECT_EQ(log.text, "Folder Round: 2026/12/08 13:45:00 ＠ＡＬＬ\r\n");
  app::ViewerDocument page = app::ReadViewerDocument(dir + "index.HTML");
  EXPECT_TRUE(page.readable);
  EXPECT_TRUE(page.html);
  EXPECT_FALSE(app::ReadViewerDocument(dir + "missing.txt").readable);
  EXPECT_FALSE(app::ReadViewerDocument(dir + "folder.html").readable);
}

}  // namespace
}  // namespace bq::test
