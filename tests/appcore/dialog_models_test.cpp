// The export, options and properties dialogs as models: what they start
// from and what confirming them changes.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/core/dialogs/export_model.h"
#include "app/core/dialogs/options_model.h"
#include "app/core/dialogs/properties_model.h"
#include "platform/fs.h"
#include "tests/support/app_fixture.h"

namespace bq::test {
namespace {

class DialogModels : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    Script("template.pss", "SCRIPT t;\r\nBEGIN END.\r\n");
    folder = app.LogRoot() + "site/";
    fs::ForceDirectories(folder);
    Log().OpenFolder(folder);
  }
  void Article(int topic, int refer, const char* title) {
    TDataInfo a;
    a.TOPIC = topic;
    a.REFER = refer;
    a.DATE = 1000 + static_cast<std::uint32_t>(topic);
    a.TITLE = title;
    Log().AddItem(a, false);
  }
  int DepthOf(int topic) { return Log().View(Log().IndexOfTopic(topic)).Depth; }

  std::string folder;
};

TEST_F(DialogModels, ExportStartsFromTheSettingsAndStoresTheChoice) {
  app.Settings.exportFile = "/x/out.txt";
  app.Settings.exportType = 9;  // out of range in a hand-edited file
  app::ExportChoice c = app::ExportFromSettings(app.Settings);
  EXPECT_EQ(c, (app::ExportChoice{"/x/out.txt", 0, false}));
  app::StoreExportChoice(app.Settings, {"/y.csv", 3, true});
  EXPECT_EQ(app.Settings.exportFile, "/y.csv");
  EXPECT_EQ(app.Settings.exportType, 3);
  EXPECT_EQ(app::ExportFromSettings(app.Settings).target, 3);
}

TEST_F(DialogModels, ExportFiltersAreTheSixOfTheSaveDialog) {
  auto f = app::ExportFileFilters();
  ASSERT_EQ(f.size(), 6u);
  EXPECT_EQ(SjisToUtf8(f[0].description), "テキスト(*.txt)");
  EXPECT_EQ(f[0].patterns, "*txt");
  EXPECT_EQ(f[1].patterns, "*.htm;*.html");
  EXPECT_EQ(SjisToUtf8(f[5].description), "全てのファイル");
  EXPECT_EQ(f[5].patterns, "*.*");
  // "ポ" ends in the byte of '|': it stays inside its description.
  auto p = app::ParseFileFilters(Utf8ToSjis("ポ|*.a|b"));
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(SjisToUtf8(p[0].description), "ポ");
}

TEST_F(DialogModels, ExportRunsTheScriptsProcedureWithTheChosenArguments) {
  fs::WriteFileAtomic(
      dir + "libs/exp.pss",
      "SCRIPT e;\r\nPROCDEF EXPORT(file, target, del)\r\nBEGIN\r\n  s := '' + target + ',' + del;\r\n"
      "  SAVEF(file, s)\r\nEND;\r\nBEGIN END.\r\n");
  Log().Folder.ScriptName = "exp.pss";
  app.LoadAndCompile();
  app::RunExport(app, {dir + "e.txt", 4, true});
  std::string out;
  ASSERT_TRUE(fs::ReadFile(dir + "e.txt", out));
  EXPECT_EQ(out, "4,1");
  EXPECT_EQ(app.Settings.exportType, 4);
}

TEST_F(DialogModels, OptionsOkWritesSettingsAndRebuildsTheHoursFromZero) {
  Log().ScheduleHours = 0xFFFFFF;
  app::OptionsValues v = app::OptionsFrom(app);
  EXPECT_EQ(v.dataFolder, dir + "data/");
  v.hours = app::InvertHours(app::kEveryTwoHours);
  v.minute = 45;
  v.scheduleEnabled = true;
  v.httpTimeout = 99999;  // beyond the spin's range
  v.fonts[app::kListFont].name = "VL Gothic";
  v.quoteColor = app::RgbToColor({0x12, 0x34, 0x56});
  v.startInTray = true;
  v.newsNotify = false;
  EXPECT_TRUE(v.unreadCounts);
  v.unreadCounts = false;
  app::OptionsOutcome out = app::ApplyOptions(app, v);
  EXPECT_FALSE(out.folderSetUp);
  EXPECT_EQ(Log().ScheduleHours, 0xAAAAAAu);
  EXPECT_EQ(Log().ScheduleMinute, 45);
  EXPECT_TRUE(Log().ScheduleEnabled);
  EXPECT_EQ(app.Settings.httpTimeout, 7200);
  EXPECT_EQ(app.Settings.listFont.name, "VL Gothic");
  EXPECT_EQ(app.Settings.resColor, 0x563412);
  EXPECT_TRUE(app.Settings.startInTray);
  EXPECT_FALSE(app.Settings.newsNotify);
  EXPECT_FALSE(app.Settings.unreadCounts);
  // weblog.def holds the new schedule.
  std::string def;
  ASSERT_TRUE(fs::ReadFile(app.LogRoot() + "weblog.def", def));
  EXPECT_EQ(def.substr(0, 17), "1\r\n11184810\r\n45\r\n");
}

TEST_F(DialogModels, AnUnchangedDataFolderKeepsTheTreeAChangeOfLetterCaseSetsItUpAgain) {
  Article(1, 0, "open");
  app::OptionsValues v = app::OptionsFrom(app);
  v.dataFolder = dir + "data";  // the trailing separator is added before comparing
  EXPECT_FALSE(app::ApplyOptions(app, v).folderSetUp);
  EXPECT_EQ(Log().FolderPath(), folder);
  EXPECT_EQ(Log().Count(), 1);
  v.dataFolder = "";  // an emptied entry keeps the folder
  EXPECT_FALSE(app::ApplyOptions(app, v).folderSetUp);

  v.dataFolder = dir + "DATA/";
  EXPECT_TRUE(app::ApplyOptions(app, v).folderSetUp);
  EXPECT_EQ(app.DataFolder(), dir + "DATA/");
  EXPECT_EQ(app.Settings.logDir, dir + "DATA/");
  EXPECT_EQ(app.LogRoot(), dir + "DATA/Log/");
  EXPECT_TRUE(fs::DirectoryExists(dir + "DATA/cache/"));
  // The article of the old folder was saved, not lost with the switch.
  Log().OpenFolder(folder);
  EXPECT_EQ(Log().Count(), 1);
}

TEST(OptionsTexts, FontLabelAndColour) {
  TFont f;
  f.name = "VL Gothic";
  f.size = 12;
  EXPECT_EQ(app::FontLabel(f), "VL Gothic , 12 pt");
  EXPECT_EQ(app::ColorText(8421504), "$808080");
  EXPECT_EQ(app::ColorText(0x0000FF), "$0000FF");
  EXPECT_EQ(app::ColorToRgb(0x0000FF), (app::Rgb{255, 0, 0}));  // red lives in the low byte
  EXPECT_EQ(app::RgbToColor({255, 0, 0}), 0xFF);
}

TEST_F(DialogModels, PropertiesShowTheFolderAndUpdateWritesTheNodeFile) {
  Log().Folder.SiteUrl = "http://a/";
  Log().Folder.ScriptName = "template.pss";
  Log().Folder.LastRound = 0;
  Log().Folder.SiteReferer = "http://ref/";
  app::PropertiesValues v = app::PropertiesFrom(app);
  EXPECT_EQ(v.siteUrl, "http://a/");
  EXPECT_EQ(v.lastRound, "");
  EXPECT_EQ(v.referer, "http://ref/");
  v.siteUrl = "http://b/";
  v.lastTopic = 77;
  v.roundTarget = true;
  v.userName = "u", v.password = "p", v.nickName = "n", v.delPass = "d", v.homePage = "h", v.mailto = "m";
  v.keepColumns = true;
  v.referer = "changed";  // the hidden page never changes the referer
  app::TAddressHistory history;
  app::PropertiesOutcome out = app::ApplyProperties(app, v, "10,20,30", history);
  EXPECT_FALSE(out.rethreaded);
  EXPECT_FALSE(out.scriptChanged);
  EXPECT_TRUE(out.browseEnabled);
  std::string text;
  ASSERT_TRUE(fs::ReadFile(folder + "kvlnode.web", text));
  TFolderInfo saved;
  ASSERT_TRUE(ParseNodeFile(text, saved));
  EXPECT_EQ(saved.SiteUrl, "http://b/");
  EXPECT_EQ(saved.LastTopic, 77);
  EXPECT_TRUE(saved.RoundTarget);
  EXPECT_EQ(
      saved.UserName + saved.LoginPassword + saved.NickName + saved.DelPass + saved.HomePage + saved.Mailto,
      "upndhm");
  EXPECT_EQ(saved.ColumnWidths, "10,20,30");
  EXPECT_EQ(saved.SiteReferer, "http://ref/");
  EXPECT_EQ(history.Items(), (std::vector<std::string>{"http://b/"}));

  v.keepColumns = false;
  v.scriptName = "other.pss";
  v.siteUrl = "";
  out = app::ApplyProperties(app, v, "10,20,30", history);
  EXPECT_TRUE(out.scriptChanged);
  EXPECT_FALSE(out.browseEnabled);
  EXPECT_EQ(app.Status.panels[1], "other.pss");
  EXPECT_EQ(Log().Folder.ColumnWidths, "");
  EXPECT_EQ(history.Items().size(), 1u);
}

TEST_F(DialogModels, TurningTreeViewOnRethreadsTheOpenLogAtOnce) {
  Article(1, 0, "root");
  Article(2, 1, "reply");
  Article(3, 2, "reply to the reply");
  Log().SortItems(0);
  EXPECT_EQ(DepthOf(3), 0);  // without TreeView a reply to a reply finds no top-level parent
  Log().SetSelected(0, true);
  app::PropertiesValues v = app::PropertiesFrom(app);
  v.treeView = true;
  app::TAddressHistory history;
  EXPECT_TRUE(app::ApplyProperties(app, v, "", history).rethreaded);
  EXPECT_EQ(DepthOf(3), 2);
  EXPECT_EQ(Log().SelectedCount(), 0);
  EXPECT_TRUE(Log().Folder.TreeView);
}

TEST_F(DialogModels, CookiesThePageCodeAndRenderingAreLaterLinesOfTheNodeFile) {
  app::TAddressHistory history;
  app::PropertiesValues v = app::PropertiesFrom(app);
  EXPECT_FALSE(v.saveCookies);
  EXPECT_FALSE(v.renderJs);
  EXPECT_EQ(v.charset, "auto");
  v.saveCookies = true;
  v.renderJs = true;
  v.charset = "euc-jp";  // names without case, as the CLI takes them
  app::ApplyProperties(app, v, "", history);
  std::string node;
  ASSERT_TRUE(fs::ReadFile(folder + "kvlnode.web", node));
  EXPECT_NE(node.find("\r\nSaveCookies=1\r\n"), std::string::npos) << node;
  EXPECT_NE(node.find("\r\nRenderJS=1\r\n"), std::string::npos) << node;
  EXPECT_NE(node.find("\r\nCharset=EUC-JP\r\n"), std::string::npos) << node;
  EXPECT_EQ(app::PropertiesFrom(app).charset, "EUC-JP");
  EXPECT_TRUE(app::PropertiesFrom(app).renderJs);
  // Back to auto and off: the node file is the sixteen lines again.
  v.saveCookies = false;
  v.renderJs = false;
  v.charset = "auto";
  app::ApplyProperties(app, v, "", history);
  ASSERT_TRUE(fs::ReadFile(folder + "kvlnode.web", node));
  EXPECT_EQ(std::count(node.begin(), node.end(), '\n'), 16) << node;
}

TEST_F(DialogModels, TheHostIntervalIsKeptWithinItsRange) {
  app::OptionsValues v = app::OptionsFrom(app);
  EXPECT_EQ(v.hostInterval, 0);
  v.hostInterval = 1500;
  app::ApplyOptions(app, v);
  EXPECT_EQ(app.Settings.hostInterval, 1500);
  v.hostInterval = 999999;
  app::ApplyOptions(app, v);
  EXPECT_EQ(app.Settings.hostInterval, 60000);
}

TEST(AddressHistory, NewAddressesGoOnTopOnce) {
  app::TAddressHistory h;
  h.Add("http://a/");
  h.Add("");
  h.Add("http://b/");
  h.Add("http://a/");
  EXPECT_EQ(h.Items(), (std::vector<std::string>{"http://b/", "http://a/"}));
}

TEST_F(DialogModels, TheScriptListHoldsTheSiteScriptsOfTheScriptFolder) {
  struct File {
    const char* name;
    const char* text;
  } files[] = {
      {"B.PSS", "script b; begin end."},
      {"a.pss", "# site\r\n(* the board *)\r\n// today\r\nSCRIPT a; BEGIN END."},
      {"lib.pss", "PROCDEF helper() BEGIN END;"},  // a library for INCLUDE
      {"empty.pss", ""},
      {"notes.txt", "SCRIPT n; BEGIN END."},
  };
  for (const File& f : files) fs::WriteFileAtomic(dir + "libs/" + f.name, f.text);
  fs::ForceDirectories(dir + "libs/dir.pss/");
  EXPECT_EQ(app::ScriptFiles(dir + "libs/"), (std::vector<std::string>{"a.pss", "B.PSS", "template.pss"}));
}

}  // namespace
}  // namespace bq::test
