#pragma once
// An application over a fresh data folder, with site folders filled with
// articles, for the article list and reader models.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "app/core/application.h"
#include "app/core/article_list.h"
#include "platform/fs.h"
#include "textlib/cp932.h"
#include "textlib/dates.h"

namespace bq::test {

inline std::string S(const std::string& utf8) { return Utf8ToSjis(utf8); }
inline std::string U(const std::string& sjis) { return SjisToUtf8(sjis); }

inline TDataInfo Art(std::int32_t topic, std::int32_t refer, std::uint32_t date, const std::string& titleUtf8,
                     bool unread = false, const std::string& bodyUtf8 = "") {
  TDataInfo a;
  a.TOPIC = topic;
  a.REFER = refer;
  a.DATE = date;
  a.TITLE = S(titleUtf8);
  a.BODY = S(bodyUtf8);
  a.Unread = unread;
  return a;
}

inline std::uint32_t Day(int d, int h = 12) { return EncodeDate(2026, 5, d, h, 0, 0); }

class ListFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bqlist.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
    fs::ForceDirectories(dir + "libs/");
    app.SetProgramFolder(dir, dir + "libs/");
    app.SetupFolders(dir + "data/");
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  // A site folder below the log root holding the articles, saved to disk.
  std::string Site(const std::string& rel, const std::vector<TDataInfo>& articles) {
    const std::string path = app.LogRoot() + rel + "/";
    TScrapList log(ui);
    log.OpenFolder(path);
    for (const TDataInfo& a : articles) log.AddItem(a, false);
    log.SaveLog();
    return path;
  }
  // Opens a folder of these articles in the list model.
  void OpenWith(const std::vector<TDataInfo>& articles, const std::string& rel = "site") {
    ASSERT_TRUE(list.Open(Site(rel, articles)));
  }
  std::string CellU(int row, int col) const { return U(list.Cell(row, col)); }
  std::vector<std::int32_t> Topics() const {
    std::vector<std::int32_t> t;
    for (int i = 0; i < app.Log.Count(); ++i) t.push_back(app.Log.GetItem(i).TOPIC);
    return t;
  }

  std::string dir;
  RecordingUi ui;
  CallbackPump pump;
  app::TApplication app{ui, pump, [] { return SystemProxySettings{}; }};
  app::TArticleList list{app};
};

}  // namespace bq::test
