#pragma once
// Runs brindlequay-cli as a child process against a temporary data folder
// and libs folder, collecting its exit status, stdout and stderr.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/fs.h"

namespace bq::test {

struct CliResult {
  int status = -1;
  std::string out, err;
};

class CliFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bqcli.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
    fs::ForceDirectories(dir + "libs/");
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  CliResult Cli(const std::string& args) {
    std::string cmd = std::string(BQ_CLI_PATH) + " --data " + dir + "data --libs " + dir + "libs " + args +
                      " 2>" + dir + "stderr.txt </dev/null";
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
  std::string LogRoot() const { return dir + "data/Log/"; }

  std::string dir;
};

}  // namespace bq::test
