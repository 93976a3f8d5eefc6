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

// Runs a command line with stdin empty: its status, stdout, and stderr (kept
// in stderrPath meanwhile).
inline CliResult RunCommand(const std::string& command, const std::string& stderrPath) {
  CliResult r;
  FILE* p = ::popen((command + " 2>" + stderrPath + " </dev/null").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  std::ifstream e(stderrPath);
  std::stringstream ss;
  ss << e.rdbuf();
  r.err = ss.str();
  return r;
}

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
    return RunCommand(std::string(BQ_CLI_PATH) + " --data " + dir + "data --libs " + dir + "libs " + args,
                      dir + "stderr.txt");
  }
  std::string LogRoot() const { return dir + "data/Log/"; }

  std::string dir;
};

}  // namespace bq::test
