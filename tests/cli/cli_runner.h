#pragma once
// brindlequay-cli run as a child process against a temporary data folder, a
// temporary libs folder and a loopback server answering from a table of
// pages (given in UTF-8, served as they are).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>

#include "app/core/local_server.h"
#include "platform/fs.h"
#include "textlib/cp932.h"

namespace bq::test {

struct CliResult {
  int status = -1;
  std::string out, err;
};

class CliRunner : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bqcli16.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
    fs::ForceDirectories(dir + "libs/");
  }
  void TearDown() override { ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0); }

  // A script of the libs folder, written in UTF-8 and stored as Shift_JIS.
  void Script(const std::string& name, const std::string& utf8) {
    fs::WriteFileAtomic(dir + "libs/" + name, Utf8ToSjis(utf8));
  }
  void Page(const std::string& path, const std::string& body) {
    std::lock_guard<std::mutex> g(mu);
    pages[path] = body;
  }
  std::string Url(const std::string& path) { return server.Url(path); }

  // The command with --data and --libs of the test; stdin is empty.
  CliResult Cli(const std::string& args) {
    std::string cmd = std::string(BQ_CLI_PATH) + " --data " + dir + "data --libs " + dir + "libs " + args + " 2>" +
                      dir + "stderr.txt </dev/null";
    CliResult r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::ifstream e(dir + "stderr.txt");
    std::stringstream ss;
    ss << e.rdbuf();
    r.err = ss.str();
    return r;
  }

  std::string dir;
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
