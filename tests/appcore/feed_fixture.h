#pragma once
// An application on a temporary data folder beside a loopback server whose
// documents the tests change between fetches; every request's path and
// header lines are kept.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/core/feeds/feed_folder.h"
#include "app/core/local_server.h"
#include "tests/support/app_fixture.h"

namespace bq::test {

// An RSS 2.0 feed (UTF-8 text) with items of (guid, title, body, pubDate).
struct TestItem {
  std::string id, title, body, date;
};
inline std::string Rss(const std::string& title, const std::vector<TestItem>& items, const std::string& encoding = "UTF-8") {
  std::string s = "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n<rss version=\"2.0\"><channel><title>" + title +
                  "</title><link>http://site.example/</link>\n";
  for (const TestItem& i : items)
    s += "<item><guid isPermaLink=\"false\">" + i.id + "</guid><title>" + i.title + "</title><link>http://site.example/" +
         i.id + "</link><description>" + i.body + "</description><pubDate>" + i.date + "</pubDate></item>\n";
  return s + "</channel></rss>\n";
}

class FeedFixture : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    Web().OnPageDone = [this](const TPageReport& r) { reports.push_back(r); };
  }
  void Serve(const std::string& path, std::string body, std::vector<std::string> headers = {}, int status = 200) {
    std::lock_guard<std::mutex> g(mu);
    docs[path] = app::LocalResponse{status, "text/xml", std::move(body), std::move(headers)};
  }
  std::vector<std::pair<std::string, std::string>> Requests() {
    std::lock_guard<std::mutex> g(mu);
    return requests;
  }
  // A feed folder below the log root reading address.
  std::string FeedFolder(const std::string& rel, const std::string& address, bool round = true) {
    const std::string path = app.LogRoot() + rel + "/";
    fs::ForceDirectories(path);
    Log().OpenFolder(path);
    app::SetFeedAddress(Log().Folder, address);
    Log().Folder.RoundTarget = round;
    Log().SaveNode();
    return path;
  }
  // Opens the folder and fetches it as the desktop's "取得" does.
  app::FeedRunResult Fetch(const std::string& path) {
    Log().OpenFolder(path);
    Web().ResetStop();
    app::FeedRunResult r = app.RunFeed();
    app.SortByDefaultOrder();
    return r;
  }
  std::vector<TDataInfo> Articles(const std::string& path) {
    Log().OpenFolder(path);
    std::vector<TDataInfo> out;
    for (int i = 0; i < Log().Count(); ++i) out.push_back(Log().GetItem(i));
    return out;
  }
  // A copy of the first article with the title, kept while the fixture lives.
  const TDataInfo* ByTitle(const std::string& utf8Title) {
    for (int i = 0; i < Log().Count(); ++i)
      if (Log().View(i).TITLE == Utf8ToSjis(utf8Title)) return &found_.emplace_back(Log().GetItem(i));
    return nullptr;
  }
  std::deque<TDataInfo> found_;

  std::vector<TPageReport> reports;
  std::mutex mu;
  std::map<std::string, app::LocalResponse> docs;
  std::vector<std::pair<std::string, std::string>> requests;  // path, header lines
  std::map<std::string, std::vector<app::LocalResponse>> once;  // answered first, one per request
  app::TLocalServer server{[this](const app::LocalRequest& r) {
    std::lock_guard<std::mutex> g(mu);
    requests.emplace_back(r.target, r.headers);
    auto first = once.find(r.target);
    if (first != once.end() && !first->second.empty()) {
      app::LocalResponse res = first->second.front();
      first->second.erase(first->second.begin());
      return res;
    }
    auto it = docs.find(r.target);
    return it == docs.end() ? app::LocalResponse{404, "text/html", "none"} : it->second;
  }};
};

}  // namespace bq::test
