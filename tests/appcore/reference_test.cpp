// The script language reference: it covers every builtin of the compiler's
// name table and every keyword, and every example it prints compiles, runs
// against the sample page and gives the result it states.
#include "app/core/workbench/reference.h"

#include <gtest/gtest.h>

#include "script/tables.h"
#include "tests/support/app_fixture.h"
#include "script/warnings.h"
#include "tests/web/scripted_server.h"

namespace bq::test {
namespace {

TEST(Reference, EveryBuiltinAndKeywordHasItsEntry) {
  std::string html = app::ReferenceHtml();
  for (const auto& row : script::TCmdTable) {
    if (row.code == script::bi::kNone) continue;
    EXPECT_NE(app::FindBuiltinEntry(row.name), nullptr) << row.name;
    EXPECT_NE(html.find("id=\"" + app::ReferenceAnchor(row.name) + "\""), std::string::npos) << row.name;
  }
  for (const auto& k : script::kKeywords) EXPECT_NE(app::FindKeywordEntry(k.name), nullptr) << k.name;
  EXPECT_EQ(html.find("説明がありません"), std::string::npos);
  // And nothing the compiler does not know is documented as a builtin.
  for (const auto& e : app::BuiltinReference()) EXPECT_NE(script::BuiltinCodeOf(e.name), 0) << e.name;
  EXPECT_EQ(app::ReferenceAnchor("get"), "b-GET");
  EXPECT_EQ(app::ReferenceAnchor("@Clip"), "b-_CLIP");
  EXPECT_EQ(app::ReferenceAnchor("elsif"), "k-IF");
  EXPECT_EQ(app::ReferenceAnchor("title"), "");
}

std::string ValueText(const script::TScriptValue& v) { return v.IsText() ? v.Str : std::to_string(v.Int); }

class ReferenceExamples : public TestFolder {
 protected:
  // Runs one entry's example in a fresh application; returns the result or
  // the error text.
  std::string Run(const app::ReferenceEntry& e, int index) {
    RecordingUi ui;
    CallbackPump pump;
    app::TApplication a(ui, pump, NoProxy);
    a.SetProgramFolder(dir, Libs());
    a.SetupFolders(dir + "data" + std::to_string(index) + "/");
    script::TScriptEngine& engine = app::TKernel::Engine(a);
    script::TScriptMachine& machine = app::TKernel::Machine(a);
    app::TKernel::Log(a).Folder.SiteUrl = server.url("/board/index.html");
    std::string src = "SCRIPT example;\r\n" + std::string(e.decls) + "\r\nBEGIN\r\n  " + std::string(e.example) + "\r\nEND.\r\n";
    try {
      if (!engine.CompileScript(Utf8ToSjis(src), false)) return "(not compiled)";
      // An example shows the language as meant: none trips a warning.
      for (const script::TCompileWarning& w : engine.Warnings)
        ADD_FAILURE() << e.name << ": " << SjisToUtf8(script::WarningLine(w)) << "\n" << SjisToUtf8(w.Place.text);
      machine.ResetMachine();
      a.RunScript();
    } catch (const Exception& ex) {
      return "(error) " + SjisToUtf8(ex.what());
    }
    std::string upper;
    for (char c : e.check) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::int32_t slot = engine.Symbols.FindValue(upper, script::Kinds(script::sym::kVariable), 0);
    if (slot < 0) return "(no variable)";
    return SjisToUtf8(ValueText(machine.StackSlot(slot)));
  }
  std::string page = Utf8ToSjis(std::string(app::ReferenceSamplePage()));
  test::ScriptedServer server{test::ScriptedServer::Replies(
      {"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nLast-Modified: Tue, 01 Dec 2026 01:00:00 GMT\r\n"
       "Content-Length: " + std::to_string(page.size()) + "\r\n\r\n" + page})};
};

TEST_F(ReferenceExamples, EveryExampleGivesTheResultItStates) {
  int index = 0, run = 0;
  for (const auto* list : {&app::StatementReference(), &app::BuiltinReference()}) {
    for (const auto& e : *list) {
      ++index;
      if (e.example.empty()) continue;
      ++run;
      EXPECT_EQ(Run(e, index), e.expected) << e.name << ": " << e.example;
    }
  }
  EXPECT_GE(run, 90);
}

}  // namespace
}  // namespace bq::test
