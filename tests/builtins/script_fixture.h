#pragma once
// A fresh application (log, fetcher, machine, builtin host) over a temporary
// data folder with one open site folder, and a loopback server answering
// from a table of pages. Scripts are written in UTF-8 and compiled as
// Shift_JIS.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/core/application.h"
#include "app/core/local_server.h"
#include "platform/fs.h"
#include "textlib/cp932.h"

namespace bq::test {

inline SystemProxySettings NoProxy() { return {}; }

class ScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bqscript.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
    fs::ForceDirectories(dir + "libs/");
    app.SetProgramFolder(dir, dir + "libs/");
    app.SetupFolders(dir + "data/");
    site = app.LogRoot() + "site/";
    fs::ForceDirectories(site);
    ASSERT_TRUE(app.Log.OpenFolder(site));
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }

  // A page of the server, given in UTF-8 and served as Shift_JIS.
  void Page(const std::string& path, const std::string& utf8) { pages[path] = Utf8ToSjis(utf8); }
  std::string Url(const std::string& path) { return server.Url(path); }

  void Compile(const std::string& utf8) { ASSERT_TRUE(app.Engine.CompileScript(Utf8ToSjis(utf8), false)); }
  // Compiles SCRIPT t; BEGIN body END. and runs it as the fetch does.
  void Run(const std::string& body) {
    Compile("SCRIPT t;\r\n" + decls + "\r\nBEGIN " + body + " END.");
    app.Web.ResetStop();
    app.Machine.ResetMachine();
    app.RunScript();
  }
  const script::TScriptValue& Var(const std::string& name) {
    std::string upper;
    for (char c : name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    std::int32_t slot = app.Engine.Symbols.FindValue(upper, script::Kinds(script::sym::kVariable), -1);
    if (slot < 0) slot = app.Engine.Symbols.FindValue(upper, script::Kinds(script::sym::kVariable), 0);
    EXPECT_GE(slot, 0) << name;
    return app.Machine.StackSlot(slot);
  }
  std::string Text(const std::string& name) { return SjisToUtf8(Var(name).Str); }
  std::int32_t Int(const std::string& name) {
    auto v = Var(name);
    v.ToInteger();
    return v.Int;
  }
  std::string Title(int i) { return SjisToUtf8(app.Log.GetItem(i).TITLE); }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> g(mu);
    return requests;
  }

  std::string dir, site;
  std::string decls;  // declarations placed before BEGIN (clip templates)
  std::map<std::string, std::string> pages;
  std::map<std::string, std::string> types;  // Content-Type by path; text/html when not given
  std::mutex mu;
  std::vector<std::string> requests;
  RecordingUi ui;
  CallbackPump pump;
  app::TApplication app{ui, pump, NoProxy};
  app::TLocalServer server{[this](const app::LocalRequest& r) {
    {
      std::lock_guard<std::mutex> g(mu);
      requests.push_back(r.method + " " + r.target + (r.body.empty() ? "" : " " + r.body));
    }
    std::string path = r.target.substr(0, r.target.find('?'));
    auto it = pages.find(r.target);
    if (it == pages.end()) it = pages.find(path);
    if (it == pages.end()) return app::LocalResponse{404, "text/html", "none"};
    auto type = types.find(path);
    return app::LocalResponse{200, type == types.end() ? "text/html" : type->second, it->second};
  }};
};

}  // namespace bq::test
