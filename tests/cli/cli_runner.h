#pragma once
// brindlequay-cli run as a child process (CliFixture) with, beside it, a
// loopback server answering from a table of pages (given in UTF-8, served as
// they are) and scripts written in UTF-8 and stored as Shift_JIS.
#include <map>
#include <mutex>
#include <string>

#include "app/core/local_server.h"
#include "cli_fixture.h"
#include "platform/fs.h"
#include "textlib/cp932.h"

namespace bq::test {

class CliRunner : public CliFixture {
 protected:
  // A script of the libs folder, written in UTF-8 and stored as Shift_JIS.
  void Script(const std::string& name, const std::string& utf8) {
    fs::WriteFileAtomic(dir + "libs/" + name, Utf8ToSjis(utf8));
  }
  void Page(const std::string& path, const std::string& body) {
    std::lock_guard<std::mutex> g(mu);
    pages[path] = body;
  }
  std::string Url(const std::string& path) { return server.Url(path); }

  std::mutex mu;
  std::map<std::string, std::string> pages;
  app::TLocalServer server{[this](const app::LocalRequest& r) {
    std::lock_guard<std::mutex> g(mu);
    auto it = pages.find(r.target);
    if (it == pages.end()) return app::LocalResponse{404, "text/html", "not here"};
    return app::LocalResponse{200, "text/html", it->second};
  }};
};

}  // namespace bq::test
