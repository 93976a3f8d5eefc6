#pragma once
// The one fixture of the application's tests (core, CLI, builtins and
// desktop): a fresh folder below /tmp with libs/ and data/, removed with all
// it holds afterwards; scripts written in UTF-8 and stored as Shift_JIS; site
// folders with their node files; the CLI run as a child process on the same
// folders; and an application over them whose log, fetcher, compiler and
// machine the tests reach as the core's own models do.
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

#include "app/core/application.h"
#include "app/core/kernel.h"
#include "logstore/data_info.h"
#include "logstore/folder_info.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "platform/ui.h"
#include "textlib/cp932.h"

namespace bq::test {

inline std::string S(const std::string& utf8) { return Utf8ToSjis(utf8); }
inline std::string U(const std::string& sjis) { return SjisToUtf8(sjis); }
inline SystemProxySettings NoProxy() { return {}; }

// An article with its texts given in UTF-8.
inline TDataInfo Article(std::int32_t topic, std::int32_t refer, std::uint32_t date, const std::string& title,
                         bool unread = false, const std::string& body = "", const std::string& author = "") {
  TDataInfo a;
  a.TOPIC = topic;
  a.REFER = refer;
  a.DATE = date;
  a.TITLE = S(title);
  a.BODY = S(body);
  a.AUTHOR = S(author);
  a.Unread = unread;
  return a;
}

// The desktop's script editor while it holds unsaved changes.
class UnsavedEditor : public app::TApplication::Editor {
 public:
  void ReloadAndCompile() override {}
  void LeaveOpenFolder() override {}
  bool HoldsUnsavedChanges() override { return true; }
  bool RunsFromCache() const override { return false; }
};

// What a child process left: its exit status, stdout and stderr.
struct ProcessResult {
  int status = -1;
  std::string out, err;
};

// Runs a shell command line with stdin empty; stderr goes through errPath.
inline ProcessResult RunProcess(const std::string& command, const std::string& errPath) {
  ProcessResult r;
  FILE* p = ::popen((command + " 2>" + errPath + " </dev/null").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  std::ifstream e(errPath);
  std::stringstream ss;
  ss << e.rdbuf();
  r.err = ss.str();
  return r;
}

// A child started by its arguments (argv[0] the program), with stdin empty
// and stdout and stderr going to files, so a test can signal it by its pid.
inline pid_t SpawnProcess(const std::vector<std::string>& argv, const std::string& outPath,
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

// The folder alone: for tests that start the programs themselves.
class TestFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bqtest.XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
    fs::ForceDirectories(Libs());
  }
  void TearDown() override {
    if (dir.rfind("/tmp/bqtest.", 0) != 0) return;
    std::string cmd = "chmod -R u+w '" + dir + "' 2>/dev/null; rm -rf '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }

  std::string Libs() const { return dir + "libs/"; }
  std::string Data() const { return dir + "data/"; }
  std::string LogRoot() const { return Data() + "Log/"; }

  // A script of the libs folder, written in UTF-8 and stored as Shift_JIS.
  void Script(const std::string& name, const std::string& utf8) {
    fs::WriteFileAtomic(Libs() + name, Utf8ToSjis(utf8));
  }
  // A site folder below the log root with its node file; its path.
  std::string Site(const std::string& rel, const TFolderInfo& info) {
    std::string path = LogRoot() + rel + "/";
    fs::ForceDirectories(path);
    fs::WriteFileAtomic(path + "kvlnode.web", FormatNodeFile(info));
    return path;
  }
  std::string FileText(const std::string& path) const {
    std::string text;
    fs::ReadFile(path, text);
    return text;
  }
  // A command line run here with stdin empty.
  ProcessResult Command(const std::string& line) { return RunProcess(line, dir + "stderr.txt"); }
  // An application set up over this folder, as both programs start.
  void SetUpApplication(app::TApplication& a) {
    a.SetProgramFolder(dir, Libs());
    a.SetupFolders(Data());
  }
  // brindlequay-cli on this folder's data and libs; more global options go
  // before the command's words.
  ProcessResult Cli(const std::string& args, const std::string& options = "") {
    return Command(std::string(BQ_CLI_PATH) + " --data " + Data() + " --libs " + Libs() + " " + options + args);
  }

  std::string dir;
};

// The folder with an application set up over it.
class AppFixture : public TestFolder {
 protected:
  void SetUp() override {
    TestFolder::SetUp();
    SetUpApplication(app);
  }

  TScrapList& Log() { return app::TKernel::Log(app); }
  TWebAccess& Web() { return app::TKernel::Web(app); }
  script::TScriptEngine& Engine() { return app::TKernel::Engine(app); }
  script::TScriptMachine& Machine() { return app::TKernel::Machine(app); }
  builtins::TBuiltinHost& Host() { return app::TKernel::Host(app); }
  int MessageBoxes() const {
    int n = 0;
    for (const auto& c : ui.calls) n += c.what == "MessageBox";
    return n;
  }

  RecordingUi ui;
  CallbackPump pump;
  app::TApplication app{ui, pump, NoProxy};
};

}  // namespace bq::test
