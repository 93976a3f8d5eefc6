#pragma once
// brindlequay-cli run as a child process with, beside it, a loopback server
// answering from a table of pages (served as they are given).
#include <map>
#include <mutex>
#include <string>

#include "app/core/local_server.h"
#include "tests/support/app_fixture.h"

namespace bq::test {

class CliRunner : public TestFolder {
 protected:
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
