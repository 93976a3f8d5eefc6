#pragma once
// Runs brindlequay-cli as a child process against a temporary data folder
// and libs folder, collecting its exit status, stdout and stderr.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

// A child started by its arguments (argv[0] the program), with stdin empty
// and stdout and stderr going to files, so a test can signal it by its pid.
inline pid_t SpawnCommand(const std::vector<std::string>& argv, const std::string& outPath,
                          const std::string& errPath) {
  pid_t pid = ::fork();
  if (pid == 0) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int in = ::open("/dev/null", O_RDONLY);
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  return pid;
}

// Waits at most ms for the child; its wait status, or -1 when it was still
// running (it is then killed).
inline int WaitChild(pid_t pid, int ms) {
  for (int waited = 0; waited <= ms; waited += 10) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return status;
    ::usleep(10000);
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
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
