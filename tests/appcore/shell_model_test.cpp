// The shell's rules without a display: command words, folder images and
// paths, enabled folder actions, status texts, the instance key and the
// file layout.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "app/core/command_line.h"
#include "app/core/program_layout.h"
#include "app/core/shell_model.h"
#include "logstore/scrap_list.h"
#include "platform/fs.h"
#include "platform/ui.h"
#include "textlib/cp932.h"

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

class FolderDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bqshell.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
  }
  void TearDown() override { ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0); }
  std::string dir;
};

TEST_F(FolderDisk, SubfoldersSortedIgnoringCaseWithoutFiles) {
  for (const char* n : {"beta", "Alpha", "gamma", "駅前"}) fs::ForceDirectories(dir + Utf8ToSjis(n));
  fs::WriteFileAtomic(dir + "aaa.txt", "x");
  std::vector<std::string> names = app::SubfolderNames(dir);
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(names[0], "Alpha");
  EXPECT_EQ(names[1], "beta");
  EXPECT_EQ(names[2], "gamma");
  EXPECT_EQ(names[3], Utf8ToSjis("駅前"));
  EXPECT_TRUE(app::HasSubfolders(dir));
  EXPECT_FALSE(app::HasSubfolders(dir + "beta"));
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

TEST(FolderActions, RootAllowsOnlyNewFolder) {
  app::FolderActionState s;
  s.nodeSelected = true;
  s.openIsRoot = true;
  app::FolderActions a = app::EnabledFolderActions(s);
  EXPECT_TRUE(a.newFolder);
  EXPECT_FALSE(a.rename);
  EXPECT_FALSE(a.deleteFolder);
  EXPECT_FALSE(a.roundTarget);
  EXPECT_FALSE(a.captionEditing);
}

TEST(FolderActions, SubfolderAllowsAllButNotWhileBusyOrEditing) {
  app::FolderActionState s;
  s.nodeSelected = true;
  s.openIsRoot = false;
  app::FolderActions a = app::EnabledFolderActions(s);
  EXPECT_TRUE(a.newFolder && a.rename && a.deleteFolder && a.roundTarget && a.captionEditing);
  s.editingCaption = true;
  a = app::EnabledFolderActions(s);
  EXPECT_FALSE(a.newFolder || a.rename || a.deleteFolder);
  s.editingCaption = false;
  s.busy = true;
  a = app::EnabledFolderActions(s);
  EXPECT_FALSE(a.newFolder || a.rename || a.deleteFolder || a.roundTarget || a.captionEditing);
  s = {};
  s.nodeSelected = false;
  EXPECT_FALSE(app::EnabledFolderActions(s).newFolder);
  EXPECT_TRUE(app::HistoryActionsEnabled(1, false));
  EXPECT_FALSE(app::HistoryActionsEnabled(0, false));
  EXPECT_FALSE(app::HistoryActionsEnabled(3, true));
}

TEST(StatusTexts, LatestArticleOrLastRoundByTheSetting) {
  RecordingUi ui;
  TScrapList log(ui);
  app::StatusTexts t = app::FolderStatusTexts(log, 0);
  EXPECT_EQ(t.panel0, "LoadTime: 0 ms");
  EXPECT_EQ(t.panel1, "");  // an empty log has no latest article
  EXPECT_EQ(SjisToUtf8(t.itemLabel), "【未読: 0 / 0 項目】");
  EXPECT_FALSE(t.selectionLabelVisible);
  TDataInfo a;
  a.TOPIC = 1;
  a.DATE = 1146491100;  // 2006/05/01 13:45:00 in the system's local time
  a.Unread = true;
  log.AddItem(a, false);
  a.TOPIC = 2;
  a.DATE = 1000;
  a.Unread = false;
  log.AddItem(a, false);
  t = app::FolderStatusTexts(log, 0);
  EXPECT_EQ(SjisToUtf8(t.panel1), "最新記事: 2006/05/01 13:45:00");
  EXPECT_EQ(SjisToUtf8(t.itemLabel), "【未読: 1 / 2 項目】");
  EXPECT_TRUE(t.selectionLabelVisible);
  log.Folder.LastRound = 1146491100;
  EXPECT_EQ(SjisToUtf8(app::FolderStatusTexts(log, 1).panel1), "最終巡回: 2006/05/01 13:45:00");
  EXPECT_EQ(app::FolderStatusTexts(log, 2).panel1, "");
}

TEST(StatusTexts, Clock) {
  EXPECT_EQ(app::ClockText(9, 5, 0), " 09:05:00");
  EXPECT_EQ(app::ClockText(23, 59, 59), " 23:59:59");
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
  EXPECT_EQ(l.dataOption, "");
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
