#pragma once
// An application over a fresh data folder, with site folders filled with
// articles, for the article list and reader models.
#include <string>
#include <vector>

#include "app/core/list/article_list.h"
#include "tests/support/app_fixture.h"
#include "textlib/dates.h"

namespace bq::test {

inline TDataInfo Art(std::int32_t topic, std::int32_t refer, std::uint32_t date, const std::string& titleUtf8,
                     bool unread = false, const std::string& bodyUtf8 = "") {
  return Article(topic, refer, date, titleUtf8, unread, bodyUtf8);
}

inline std::uint32_t Day(int d, int h = 12) { return EncodeDate(2026, 5, d, h, 0, 0); }

class ListFixture : public AppFixture {
 protected:
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
  using TestFolder::Site;
  std::string CellU(int row, int col) const { return U(list.Cell(row, col)); }
  std::vector<std::int32_t> Topics() {
    std::vector<std::int32_t> t;
    for (int i = 0; i < Log().Count(); ++i) t.push_back(Log().GetItem(i).TOPIC);
    return t;
  }

  app::TArticleList list{app};
};

}  // namespace bq::test
