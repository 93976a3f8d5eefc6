#pragma once
// A fresh application (log, fetcher, machine, builtin host) over a temporary
// data folder with one open site folder, and a loopback server answering
// from a table of pages. Scripts are written in UTF-8 and compiled as
// Shift_JIS.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/core/local_server.h"
#include "platform/fs.h"
#include "tests/support/app_fixture.h"

namespace bq::test {

class ScriptTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    site = app.LogRoot() + "site/";
    fs::ForceDirectories(site);
    ASSERT_TRUE(Log().OpenFolder(site));
  }

  // A page of the server, given in UTF-8 and served as Shift_JIS.
  void Page(const std::string& path, const std::string& utf8) { pages[path] = Utf8ToSjis(utf8); }
  std::string Url(const std::string& path) { return server.Url(path); }

  void Compile(const std::string& utf8) { ASSERT_TRUE(Engine().CompileScript(Utf8ToSjis(utf8), false)); }
  // Compiles SCRIPT t; BEGIN body END. and runs it as the fetch does.
  void Run(const std::string& body) {
    Compile("SCRIPT t;\r\n" + decls + "\r\nBEGIN " + body + " END.");
    Web().ResetStop();
    Machine().ResetMachine();
    app.RunScript();
  }
  const script::TScriptValue& Var(const std::string& name) {
    std::string upper;
    for (char c : name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    std::int32_t slot = Engine().Symbols.FindValue(upper, script::Kinds(script::sym::kVariable), -1);
    if (slot < 0) slot = Engine().Symbols.FindValue(upper, script::Kinds(script::sym::kVariable), 0);
    EXPECT_GE(slot, 0) << name;
    return Machine().StackSlot(slot);
  }
  std::string Text(const std::string& name) { return SjisToUtf8(Var(name).Str); }
  std::int32_t Int(const std::string& name) {
    auto v = Var(name);
    v.ToInteger();
    return v.Int;
  }
  std::string Title(int i) { return SjisToUtf8(Log().GetItem(i).TITLE); }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> g(mu);
    return requests;
  }

  std::string site;
  std::string decls;  // declarations placed before BEGIN (clip templates)
  std::map<std::string, std::string> pages;
  std::map<std::string, std::string> types;  // Content-Type by path; text/html when not given
  std::mutex mu;
  std::vector<std::string> requests;
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
