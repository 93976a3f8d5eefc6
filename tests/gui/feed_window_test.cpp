// Feed folders, the subscription list and the help keys in the main window,
// offscreen, over a RecordingUi and a loopback server of feeds: the
// new-folder dialog's feed choice, a feed folder's properties, OPML out
// and in through the ファイル menu's commands, F1 in each place and the
// guide; screenshots of the two dialogs.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBlock>

#include "app/controls/folder_tree.h"
#include "app/core/feeds/feed_folder.h"
#include "app/core/local_server.h"
#include "app/gui/article_list_page.h"
#include "app/gui/dialog_pickers.h"
#include "app/gui/main_window.h"
#include "app/gui/new_folder_dialog.h"
#include "app/gui/properties_dialog.h"
#include "app/gui/qt_platform.h"
#include "app/gui/workbench_page.h"
#include "app/gui/code_editor.h"
#include "platform/fs.h"
#include "tests/gui/gui_fixture.h"
#include "tests/gui/window_fixture.h"
#include "textlib/cp932.h"

namespace bq::test {
namespace {

const char* kFeed = R"(<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0"><channel><title>駅前ニュース</title><link>http://station.example/</link>
<item><guid>n1</guid><title>改札の工事</title><description>来週から工事です。</description>
<pubDate>Wed, 01 May 2024 09:00:00 +0900</pubDate></item>
<item><guid>n2</guid><title>花火大会</title><description>八月に開かれます。</description>
<pubDate>Thu, 02 May 2024 18:30:00 +0900</pubDate></item>
</channel></rss>)";

// The OPML file dialog as the user answers it: a file, or cancel.
class AnsweringPickers : public gui::DialogPickers {
 public:
  bool PickOpmlFile(QWidget*, bool save, QString& file) override {
    asked.push_back(save);
    if (answer.isEmpty()) return false;
    file = answer;
    return true;
  }
  QString answer;
  std::vector<bool> asked;
};

class FeedWindow : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    if (HasFatalFailure()) return;
    QDir().mkpath(Here() + QStringLiteral("help"));
    for (const char* page : {"index.html", "script-reference.html", "script-guide.html"})
      WriteFile(QStringLiteral("help/") + QString::fromLatin1(page), "<html></html>");
    layout.helpPage = dir + "help/index.html";
    layout.referencePage = dir + "help/script-reference.html";
    layout.guidePage = dir + "help/script-guide.html";
  }
  void BeforeFolders(gui::MainWindow& w) override { w.SetPickers(pickers); }
  QAction* Action(const char* name) { return window->Action(QString::fromLatin1(name)); }
  QTreeWidgetItem* Top() { return window->Tree()->TopItem(); }
  QStringList Children(QTreeWidgetItem* item) {
    QStringList out;
    for (int i = 0; i < item->childCount(); ++i) out << Name(item->child(i));
    return out;
  }
  // A node's folder name (its caption may add the unread count).
  static QString Name(const QTreeWidgetItem* item) {
    return QString::fromStdString(U(gui::FolderTree::NameOf(item)));
  }
  // The feed choice with an address, confirmed; a PNG of the dialog first.
  void NewFeedFolder(const std::string& address, const QString& shot = QString()) {
    window->Tree()->setCurrentItem(Top());
    WhenModal<gui::NewFolderDialog>([address, shot](gui::NewFolderDialog& d) {
      EXPECT_EQ(d.FeedButton()->text(), QStringLiteral("フィード (RSS/Atom)"));
      EXPECT_TRUE(d.OkButton()->isEnabled());  // a plain folder needs nothing
      d.FeedButton()->setChecked(true);
      EXPECT_FALSE(d.OkButton()->isEnabled());  // a feed needs its address
      QTest::keyClicks(d.AddressEdit(), QString::fromStdString(address));
      EXPECT_TRUE(d.OkButton()->isEnabled());
      if (!shot.isEmpty()) {
        EXPECT_TRUE(d.grab().save(ShotPath(shot)));
      }
      d.OkButton()->click();
    });
    Action("NewFolderAction")->trigger();
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const auto& c : ui.calls)
      if (c.what == "MessageBox") out.push_back(SjisToUtf8(c.text));
    return out;
  }
  std::string LastOpened() const {
    for (auto it = ui.calls.rbegin(); it != ui.calls.rend(); ++it)
      if (it->what == "ShellOpen") return it->text;
    return {};
  }
  std::string Url(const char* path) const { return server.Url(path); }

  AnsweringPickers pickers;
  app::TLocalServer server{[](const app::LocalRequest& r) {
    if (r.target == "/news.xml") return app::LocalResponse{200, "text/xml", kFeed};
    return app::LocalResponse{404, "text/html", "none"};
  }};
};

TEST_F(FeedWindow, TheNewFolderDialogMakesAFeedFolderThatOpensWithItsArticles) {
  Open();
  NewFeedFolder(Url("/news.xml"), QStringLiteral("new_folder_feed.png"));
  EXPECT_TRUE(Messages().empty());
  ASSERT_NE(window->Tree()->currentItem(), nullptr);
  EXPECT_EQ(Name(window->Tree()->currentItem()), QStringLiteral("駅前ニュース"));
  EXPECT_EQ(Children(Top()), QStringList{QStringLiteral("駅前ニュース")});
  const std::string path = app->LogRoot() + Utf8ToSjis("駅前ニュース/");
  EXPECT_EQ(app->FolderPath(), path);
  EXPECT_EQ(window->ListPage()->Table()->model()->rowCount(), 2);
  EXPECT_TRUE(Action("RoundTargetAction")->isChecked());
  EXPECT_TRUE(Action("ExecAction")->isEnabled());  // the busy state of the first fetch is over
  // No feed at an address: the user is told why, and the folder selected
  // for the new one (the top) stays open and selected.
  NewFeedFolder(Url("/gone.xml"));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "フィードフォルダを作れません: HTTP 404");
  EXPECT_EQ(app->FolderPath(), app->LogRoot());
  EXPECT_EQ(window->Tree()->currentItem(), Top());
  EXPECT_EQ(Children(Top()), QStringList{QStringLiteral("駅前ニュース")});
  EXPECT_TRUE(Action("NewFolderAction")->isEnabled());
}

TEST_F(FeedWindow, AFeedFoldersPropertiesShowItsFeedAndLastReplyAndTakeTheUnreadOption) {
  Open();
  NewFeedFolder(Url("/news.xml"));
  ASSERT_EQ(app->FolderPath(), app->LogRoot() + Utf8ToSjis("駅前ニュース/"));
  WhenModal<gui::PropertiesDialog>([this](gui::PropertiesDialog& d) {
    ASSERT_NE(d.FeedEdit(), nullptr);
    EXPECT_EQ(d.FeedEdit()->text().toStdString(), Url("/news.xml"));
    EXPECT_TRUE(d.FeedReplyEdit()->text().contains(QStringLiteral("HTTP 200: 2 件 (新着 2, 更新 0)")))
        << d.FeedReplyEdit()->text().toStdString();
    EXPECT_TRUE(d.FeedReplyEdit()->isReadOnly());
    // A feed folder runs no script: the script and the page address are not offered.
    EXPECT_FALSE(d.ScriptCombo()->isVisibleTo(&d));
    EXPECT_FALSE(d.AddressCombo()->isVisibleTo(&d));
    EXPECT_TRUE(d.FeedEdit()->isVisibleTo(&d));
    EXPECT_FALSE(d.FeedUnreadCheck()->isChecked());
    d.FeedUnreadCheck()->setChecked(true);
    EXPECT_TRUE(d.grab().save(ShotPath(QStringLiteral("properties_feed.png"))));
    d.accept();
  });
  Action("PropertyAction")->trigger();
  std::string node;
  ASSERT_TRUE(fs::ReadFile(app->FolderPath() + "kvlnode.web", node));
  EXPECT_NE(node.find("FeedUpdateUnread=1"), std::string::npos) << node;
  EXPECT_NE(node.find("FeedUrl=" + Url("/news.xml")), std::string::npos) << node;
}

TEST_F(FeedWindow, TheSubscriptionListGoesOutAndComesInThroughTheFileMenu) {
  Open();
  NewFeedFolder(Url("/news.xml"));
  // Out: the whole tree, whichever folder is selected.
  pickers.answer = Here() + QStringLiteral("subs.opml");
  Action("ExportOpmlAction")->trigger();
  EXPECT_EQ(pickers.asked, std::vector<bool>{true});
  const QString written = ReadText(pickers.answer);
  EXPECT_TRUE(written.contains(QString::fromStdString("xmlUrl=\"" + Url("/news.xml") + "\""))) << written.toStdString();
  EXPECT_TRUE(window->StatusText(0).startsWith(QStringLiteral("OPMLを書き出しました"))) << window->StatusText(0).toStdString();
  // Where nothing can be written: the reason is shown.
  pickers.answer = Here() + QStringLiteral("no/such/folder/subs.opml");
  Action("ExportOpmlAction")->trigger();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("subs.opml"), std::string::npos) << Messages()[0];
  // In: another reader's nested list below the selected folder; the feed
  // read already is not added twice.
  WriteFile(QStringLiteral("reader.opml"),
            QByteArray::fromStdString("<?xml version=\"1.0\"?><opml version=\"2.0\"><body>"
                                      "<outline text=\"技術\"><outline text=\"開発日誌\" type=\"rss\" "
                                      "xmlUrl=\"http://dev.example/feed\" htmlUrl=\"http://dev.example/\"/></outline>"
                                      "<outline text=\"駅前\" type=\"rss\" xmlUrl=\"" + Url("/news.xml") +
                                      "\"/></body></opml>"));
  window->Tree()->setCurrentItem(Top());
  pickers.answer = Here() + QStringLiteral("reader.opml");
  Action("ImportOpmlAction")->trigger();
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Children(Top()), (QStringList{QStringLiteral("駅前ニュース"), QStringLiteral("技術")}));
  EXPECT_EQ(window->StatusText(0), QStringLiteral("OPML: フィード 1, スクリプト 0, フォルダ 1 を作成 (登録済み 1)"));
  EXPECT_TRUE(fs::DirectoryExists(app->LogRoot() + Utf8ToSjis("技術/開発日誌")));
  // A file that cannot be read: said so, nothing made.
  pickers.answer = Here() + QStringLiteral("missing.opml");
  Action("ImportOpmlAction")->trigger();
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_NE(Messages()[1].find("missing.opml を読めません"), std::string::npos) << Messages()[1];
  // Cancelled dialogs do nothing.
  pickers.answer.clear();
  Action("ImportOpmlAction")->trigger();
  Action("ExportOpmlAction")->trigger();
  EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(FeedWindow, F1MeansTheReferenceInTheEditorAndTheHelpElsewhereAndTheGuideIsInTheHelpMenu) {
  Open();
  QApplication::setActiveWindow(window.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  gui::WorkbenchPage* bench = window->Workbench();
  for (QTabWidget* tabs : window->findChildren<QTabWidget*>())
    if (tabs->indexOf(bench) >= 0) tabs->setCurrentWidget(bench);
  bench->ProgramSource->setPlainText(QStringLiteral("SCRIPT h;\nBEGIN\n  s := GET(x)\nEND.\n"));
  QTextCursor c = bench->ProgramSource->textCursor();
  c.setPosition(bench->ProgramSource->document()->findBlockByNumber(2).position() + 8);  // in GET
  bench->ProgramSource->setTextCursor(c);
  bench->ProgramSource->setFocus();
  ASSERT_TRUE(WaitUntil([bench] { return bench->ProgramSource->hasFocus(); }, 2000));
  QTest::keyClick(bench->ProgramSource, Qt::Key_F1);
  const std::string reference = "help/script-reference.html#b-GET";
  EXPECT_EQ(LastOpened().substr(LastOpened().size() - std::min(LastOpened().size(), reference.size())), reference)
      << LastOpened();
  window->Tree()->setFocus();
  ASSERT_TRUE(WaitUntil([this] { return window->Tree()->hasFocus(); }, 2000));
  QTest::keyClick(window->Tree(), Qt::Key_F1);
  EXPECT_TRUE(QString::fromStdString(LastOpened()).endsWith(QStringLiteral("help/index.html"))) << LastOpened();
  ASSERT_TRUE(Action("GuideAction")->isEnabled());
  Action("GuideAction")->trigger();
  EXPECT_TRUE(QString::fromStdString(LastOpened()).endsWith(QStringLiteral("help/script-guide.html"))) << LastOpened();
  EXPECT_TRUE(QString::fromStdString(LastOpened()).startsWith(QStringLiteral("file:///"))) << LastOpened();
  EXPECT_TRUE(Messages().empty());
  // A page that is gone is named, not silently skipped.
  QFile::remove(Here() + QStringLiteral("help/script-guide.html"));
  Action("GuideAction")->trigger();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("script-guide.html を開けません"), std::string::npos) << Messages()[0];
}

}  // namespace
}  // namespace bq::test
