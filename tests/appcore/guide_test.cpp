// The script writers' guide: every example in it compiles with exactly the
// warnings it states, runs against the sample page and leaves the value it
// states; every warning of the compiler has its section and an example that
// gives it; the page is whole.
#include "app/core/workbench/guide.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <sstream>

#include "app/core/local_server.h"
#include "script/warnings.h"
#include "tests/support/app_fixture.h"

namespace bq::test {
namespace {

std::string GuideSource() {
  std::ifstream in(std::string(BQ_SOURCE_DIR) + "/doc/script-guide.html", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string CrLf(const std::string& lf) {
  std::string out;
  for (char c : lf) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

class Guide : public TestFolder {
 protected:
  void SetUp() override {
    TestFolder::SetUp();
    ASSERT_FALSE(source.empty());
  }

  struct Outcome {
    std::vector<std::string> warnings;
    std::string value;  // or "(error) ..." / "(no variable)"
  };
  // Compiles and runs one example in a fresh application.
  Outcome Run(const app::TGuideExample& e, int index) {
    Outcome o;
    RecordingUi ui;
    CallbackPump pump;
    app::TApplication a(ui, pump, NoProxy);
    a.SetProgramFolder(dir, Libs());
    a.SetupFolders(dir + "data" + std::to_string(index) + "/");
    script::TScriptEngine& engine = app::TKernel::Engine(a);
    script::TScriptMachine& machine = app::TKernel::Machine(a);
    app::TKernel::Log(a).Folder.SiteUrl = server.Url("/board/index.html");
    try {
      if (!engine.CompileScript(Utf8ToSjis(CrLf(e.script)), false)) {
        o.value = "(not compiled)";
        return o;
      }
      for (const script::TCompileWarning& w : engine.Warnings)
        o.warnings.emplace_back(script::WarningKind(w.Code).tag);
      machine.ResetMachine();
      a.RunScript();
    } catch (const Exception& ex) {
      o.value = "(error) " + SjisToUtf8(ex.what());  // a run-time error ends the run
      return o;
    }
    std::string upper;
    for (char c : e.check) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::int32_t slot = engine.Symbols.FindValue(upper, script::Kinds(script::sym::kVariable), 0);
    if (slot < 0) {
      o.value = "(no variable)";
      return o;
    }
    const script::TScriptValue& v = machine.StackSlot(slot);
    o.value = v.IsEmpty() ? std::string() : SjisToUtf8(v.IsText() ? v.Str : std::to_string(v.Int));
    return o;
  }

  std::string source = GuideSource();
  std::string page = Utf8ToSjis(std::string(app::GuideSamplePage()));
  app::TLocalServer server{[this](const app::LocalRequest&) { return app::LocalResponse{200, "text/html", page}; }};
};

TEST_F(Guide, EveryExampleGivesTheWarningsAndTheValueItStates) {
  std::vector<app::TGuideExample> examples = app::GuideExamples(source);
  int index = 0, warned = 0;
  for (const app::TGuideExample& e : examples) {
    Outcome o = Run(e, ++index);
    EXPECT_EQ(o.warnings, e.warnings) << "example at line " << e.line << ":\n" << e.script;
    if (e.error.empty()) {
      EXPECT_EQ(o.value, e.expected) << "example at line " << e.line << ":\n" << e.script;
      EXPECT_FALSE(e.check.empty()) << "example at line " << e.line << " states no result";
    } else {
      EXPECT_EQ(o.value, "(error) " + e.error) << "example at line " << e.line << ":\n" << e.script;
    }
    if (!e.warnings.empty()) ++warned;
  }
  std::cout << examples.size() << " examples of the guide ran, " << warned << " of them with warnings\n";
  EXPECT_GE(examples.size(), 50u);
}

TEST_F(Guide, EveryWarningHasItsSectionAndAnExampleThatGivesIt) {
  std::string html = app::GuideHtml(source);
  std::vector<app::TGuideExample> examples = app::GuideExamples(source);
  for (const script::TWarningKind& k : script::kWarningKinds) {
    std::string tag(k.tag);
    EXPECT_NE(html.find("<h3 id=\"w-" + tag + "\">" + std::string(k.title)), std::string::npos) << tag;
    EXPECT_NE(html.find("<a href=\"#w-" + tag + "\">"), std::string::npos) << tag;  // in the list
    bool shown = false;
    for (const app::TGuideExample& e : examples)
      for (const std::string& w : e.warnings) shown = shown || w == tag;
    EXPECT_TRUE(shown) << "no example gives " << tag;
  }
}

TEST_F(Guide, ThePageShowsResultsTheCompilersWordsAndTheSamplePage) {
  std::string html = app::GuideHtml(source);
  EXPECT_EQ(html.find("<!-- warning"), std::string::npos);
  EXPECT_EQ(html.find("<!-- sample page"), std::string::npos);
  EXPECT_EQ(html.find("data-expect"), std::string::npos);
  EXPECT_EQ(html.find("class=\"missing\""), std::string::npos);  // no section for an unknown tag
  // An example as shown: the script escaped, its result, and for a trap the
  // compiler's own warning with the line and its marker.
  EXPECT_NE(html.find("<p class=\"result\">実行すると <code>r</code> は <code>0</code></p>\n<div class=\"warning\">\n"
                      "<p>4行目: 警告: FIB の中で FIB を呼んだあとで仮引数 n を読んでいます。"),
            std::string::npos);
  EXPECT_NE(html.find("<pre>  IF n &lt; 2 THEN FIB := n ELSE FIB := FIB(n - 1) + FIB(n - 2)\n" +
                      std::string(std::string_view("  IF n < 2 THEN FIB := n ELSE FIB := FIB(n - 1) + FIB(").size(), ' ') +
                      "^</pre>"),
            std::string::npos);
  EXPECT_NE(html.find("&lt;a name=&quot;${NO}&quot;&gt;"), std::string::npos);
  EXPECT_NE(html.find("<pre class=\"page\">&lt;html&gt;"), std::string::npos);
  std::size_t examples = 0;
  for (std::size_t at = html.find("<pre class=\"example\">"); at != std::string::npos;
       at = html.find("<pre class=\"example\">", at + 1))
    ++examples;
  EXPECT_EQ(examples, app::GuideExamples(source).size());
}

TEST(GuideMarkup, ExamplesAreReadWithTheirAttributesAndLines) {
  std::string source =
      "<p>a</p>\n<pre class=\"example\" data-check=\"r\" data-expect=\"&lt;b&gt;\" data-warn=\"own-name  text-plus\">\n"
      "SCRIPT x;\nBEGIN r := '&lt;b&gt;' END.</pre>\n<pre class=\"example\" data-check=\"n\" data-expect=\"\">"
      "SCRIPT y; BEGIN n := '' END.</pre>";
  std::vector<app::TGuideExample> e = app::GuideExamples(source);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].script, "SCRIPT x;\nBEGIN r := '<b>' END.");
  EXPECT_EQ(e[0].check, "r");
  EXPECT_EQ(e[0].expected, "<b>");
  EXPECT_EQ(e[0].warnings, (std::vector<std::string>{"own-name", "text-plus"}));
  EXPECT_EQ(e[0].line, 2);
  EXPECT_EQ(e[1].expected, "");
  EXPECT_TRUE(e[1].warnings.empty());
  EXPECT_EQ(e[1].line, 5);
  // A cut-off example ends the list rather than swallowing the page.
  EXPECT_EQ(app::GuideExamples("<pre class=\"example\" data-check=\"r\">SCRIPT").size(), 0u);
}

}  // namespace
}  // namespace bq::test
