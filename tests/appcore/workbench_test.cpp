// The workbench model: step list and breakpoints, compile with its caption
// and error span, run to a breakpoint, line and instruction steps, the value
// dialog's list, clip templates, the page match, and saving the script.
#include "app/core/workbench/workbench.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/fs.h"
#include "script/tables.h"
#include "tests/support/app_fixture.h"
#include "textlib/dates.h"

namespace bq::test {
namespace {

using app::TStepList;
using app::TWorkbench;

TEST(StepList, EntriesNumberFromZeroWithTabsAsBlanks) {
  TStepList s;
  s.Fill("SCRIPT t;\r\n\tx := 1;\r\n\r\nEND.");
  ASSERT_EQ(s.Count(), 4);
  EXPECT_EQ(s.Entries()[0], "    0: SCRIPT t;");
  EXPECT_EQ(s.Entries()[1], "    1:  x := 1;");
  EXPECT_EQ(s.Entries()[2], "    2: ");
  EXPECT_EQ(s.Entries()[3], "    3: END.");
  EXPECT_EQ(s.CodePosition(), -1);
}

TEST(StepList, MarksOverwritePaddingAndToggleBack) {
  TStepList s;
  s.Fill("a\r\nb\r\nc\r\n");
  s.ToggleBreakpoint(1);
  EXPECT_EQ(s.Entries()[1], " !  1: b");
  s.SetCodePosition(1);
  EXPECT_EQ(s.Entries()[1], ">!  1: b");
  s.SetCodePosition(2);
  EXPECT_EQ(s.Entries()[1], " !  1: b");
  EXPECT_EQ(s.Entries()[2], ">   2: c");
  s.ToggleBreakpoint(1);
  EXPECT_EQ(s.Entries()[1], "    1: b");
  EXPECT_FALSE(s.HasBreakpoint(1));
  s.SetCodePosition(-1);
  EXPECT_EQ(s.Entries()[2], "    2: c");
  EXPECT_EQ(s.CodePosition(), -1);
  s.ToggleBreakpoint(7);  // outside the list: nothing
  EXPECT_TRUE(s.Breakpoints().none());
}

TEST(StepList, BreakpointsBeyond255AreShownButIgnoredAndNumbersStayWhole) {
  std::string src;
  for (int i = 0; i < 1200; ++i) src += "x\r\n";
  TStepList s;
  s.Fill(src);
  s.ToggleBreakpoint(255);
  s.ToggleBreakpoint(256);
  EXPECT_TRUE(s.HasBreakpoint(256));
  EXPECT_EQ(s.Breakpoints().count(), 1u);
  EXPECT_TRUE(s.Breakpoints().test(255));
  // A four-digit number has no padding blank for "!": the digit stays.
  s.ToggleBreakpoint(1100);
  EXPECT_EQ(s.Entries()[1100], " 1100: x");
  s.SetCodePosition(1100);
  EXPECT_EQ(s.Entries()[1100], ">1100: x");
}

TEST(EditorText, ByteSpansBecomeEditorCharacters) {
  std::string sjis = Utf8ToSjis("日本\r\nab");
  EXPECT_EQ(app::EditorOffset(sjis, 4), 2u);
  EXPECT_EQ(app::EditorOffset(sjis, 6), 3u);  // CR LF is one
  EXPECT_EQ(app::EditorSpanOf(sjis, 6, 2), (app::EditorSpan{3, 2}));
  EXPECT_EQ(app::EditorOffset(sjis, 999), 5u);
}

TEST(EditorText, UnwritableCharactersAreFoundWhereTheyStand) {
  EXPECT_FALSE(app::FirstUnwritable("SCRIPT 日本〓ｱ①;").has_value());
  auto u = app::FirstUnwritable("ab\xF0\x9F\x98\x80" "c한");
  ASSERT_TRUE(u.has_value());
  EXPECT_EQ(u->index, 2u);
  EXPECT_EQ(u->character, "\xF0\x9F\x98\x80");
  u = app::FirstUnwritable("abc한");
  ASSERT_TRUE(u.has_value());
  EXPECT_EQ(u->index, 3u);
  EXPECT_EQ(SjisToUtf8(app::UnwritableMessage(*u)), "「U+D55C」(4 文字目) はシフトJISで書けないため保存できません");
  EXPECT_EQ(app::EditorToSjis("a\nb"), "a\r\nb\r\n");
  EXPECT_EQ(app::SjisToEditor(Utf8ToSjis("日\r\nb\r\n")), "日\nb\n");
}

const char* kSteps =
    "SCRIPT steps;\r\n"  // 0
    "BEGIN\r\n"          // 1
    "  x := 1;\r\n"      // 2
    "  y := 2;\r\n"      // 3
    "  z := x + y\r\n"   // 4
    "END.\r\n";          // 5

class WorkbenchTest : public AppFixture, public TWorkbench::View {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    wb.SetView(this);
    // The busy state the shell would follow: B busy and stoppable, i idle.
    app.Busy().OnChange = [this] { busyCalls.push_back(app.Busy().Busy() && app.Busy().Stoppable() ? 'B' : 'i'); };
  }
  void TearDown() override {
    app.Busy().OnChange = nullptr;
    AppFixture::TearDown();
  }
  void CaptionChanged() override { captions.push_back(SjisToUtf8(wb.Caption())); }
  void SourceReplaced() override {
    ++replaced;
    if (onReplaced) onReplaced();
  }
  std::string File(const std::string& name) { return SjisToUtf8(FileText(Libs() + name)); }
  void Edit(const std::string& utf8) {
    wb.SetEditorText(utf8);
    wb.SetModified(true);
  }
  void Compile(const std::string& utf8) {
    wb.LoadSource(Utf8ToSjis(utf8));
    wb.Compile();
  }
  const script::TScriptValue& Var(const std::string& name) {
    return Machine().StackSlot(Engine().Symbols.FindValue(name, script::Kinds(script::sym::kVariable), 0));
  }
  TWorkbench wb{app};
  std::vector<std::string> captions;
  std::string busyCalls;
  int replaced = 0;
  std::function<void()> onReplaced;
};

TEST_F(WorkbenchTest, CompileShowsTheCompilingCaptionThenTheScriptsName) {
  wb.Title = "Brindlequay";
  // The log root is no site: compiling there leaves the program's name.
  Compile(kSteps);
  EXPECT_EQ(captions, (std::vector<std::string>{"Brindlequay", "Brindlequay"}));
  captions.clear();
  ASSERT_TRUE(Log().OpenFolder(Site("steps", TFolderInfo{})));
  Log().Folder.ScriptName = "steps.pss";
  EXPECT_EQ(SjisToUtf8(wb.Caption()), "Brindlequay - steps (steps.pss)");  // the compiled script
  Compile(kSteps);
  ASSERT_EQ(captions.size(), 2u);
  EXPECT_EQ(captions[0], "Brindlequay - ??? (steps.pss)");
  EXPECT_EQ(captions[1], "Brindlequay - steps (steps.pss)");
  EXPECT_TRUE(wb.DebugVisible());
  EXPECT_EQ(wb.ActivePage(), TWorkbench::Page::Debug);
  EXPECT_EQ(wb.Steps().Count(), 6);
  EXPECT_EQ(wb.CodePosition(), -1);
  EXPECT_EQ(wb.Listing().substr(0, 11), "  0: BRK  #");
  EXPECT_EQ(wb.Dumps().listingRow, Engine().Code.EntryPoint);
}

TEST_F(WorkbenchTest, ACompileErrorSelectsItsTokenInTheEditorAndIsRaised) {
  ASSERT_TRUE(Log().OpenFolder(Site("steps", TFolderInfo{})));
  Compile(kSteps);
  captions.clear();
  // "日本" before the error moves the byte offset but not the editor's.
  wb.LoadSource(Utf8ToSjis("SCRIPT t;\r\nBEGIN\r\n  s := '日本';\r\n  x := ;\r\nEND.\r\n"));
  EXPECT_THROW(wb.Compile(), script::ECompileError);
  EXPECT_EQ(wb.ActivePage(), TWorkbench::Page::Editor);
  EXPECT_FALSE(wb.DebugVisible());
  EXPECT_EQ(captions.back(), "Brindlequay - ??? ()");
  std::string editor = app::SjisToEditor(wb.Source());
  app::EditorSpan span = wb.ErrorSpan();
  ASSERT_GT(span.length, 0u);
  // "SCRIPT t;\nBEGIN\n  s := '日本';\n  x := " is 36 editor characters.
  EXPECT_EQ(span.start, 36u);
  EXPECT_EQ(span.length, 1u);
}

// The list under the editor: one row per warning of the last compile, with
// the line to go to, the editor span, the list text and the marked line.
TEST_F(WorkbenchTest, CompileListsItsWarningsForTheEditor) {
  Script("lib.pss", "PROCDEF P(a)\r\nBEGIN\r\n  r := b\r\nEND;\r\n");
  Compile("SCRIPT t;\nINCLUDE 'lib.pss';\nFUNCDEF CNT\nBEGIN\n  CNT := 0;\n\tCNT := CNT + 1\nEND;\n"
          "BEGIN\n  P(1); x := '日本'; y := titel\nEND.\n");
  const std::vector<app::WarningRow>& rows = wb.Warnings();
  ASSERT_EQ(rows.size(), 3u);
  // In source order: the library's (placed at the INCLUDE), the own name, the misspelt name.
  EXPECT_EQ(rows[0].line, 1);
  EXPECT_EQ(rows[0].tag, "unassigned");
  EXPECT_EQ(SjisToUtf8(rows[0].text).rfind("2行目 (lib.pss 3行目): 警告: 変数 b は", 0), 0u) << SjisToUtf8(rows[0].text);
  EXPECT_EQ(rows[0].sourceLine, "  r := b");
  EXPECT_EQ(rows[0].marker, "       ^");
  EXPECT_EQ(rows[0].span, (app::EditorSpan{18, 9}));  // 'lib.pss'
  EXPECT_EQ(rows[1].line, 5);
  EXPECT_EQ(rows[1].tag, "own-name");
  EXPECT_EQ(SjisToUtf8(rows[1].text).rfind("6行目: 警告: 関数 CNT の中で CNT を読むと", 0), 0u);
  EXPECT_EQ(SjisToUtf8(rows[1].sourceLine), "\tCNT := CNT + 1");
  EXPECT_EQ(rows[1].marker, "\t       ^^^");
  EXPECT_EQ(rows[1].span, (app::EditorSpan{67, 3}));
  EXPECT_EQ(rows[2].line, 8);
  EXPECT_EQ(rows[2].tag, "unassigned");
  // The editor counts characters: 日本 are two.
  EXPECT_EQ(rows[2].span.start, std::string("SCRIPT t;\nINCLUDE 'lib.pss';\nFUNCDEF CNT\nBEGIN\n  CNT := 0;\n"
                                            "\tCNT := CNT + 1\nEND;\nBEGIN\n  P(1); x := '").size() + 2 + 8);
  EXPECT_EQ(app::GuideAnchor(rows[1].tag), "script-guide.html#w-own-name");
  // They never block running (CNT, which would call itself for ever, is
  // not called); a failed compile leaves none.
  wb.Run();
  EXPECT_EQ(Var("X").Str, Utf8ToSjis("日本"));
  EXPECT_THROW(Compile("SCRIPT t; BEGIN x := END."), script::ECompileError);
  EXPECT_TRUE(wb.Warnings().empty());
}

TEST_F(WorkbenchTest, StepAndTraceMoveTheCodePosition) {
  Compile(kSteps);
  wb.Step();
  EXPECT_EQ(wb.CodePosition(), 2);
  EXPECT_EQ(wb.Steps().Entries()[2].substr(0, 1), ">");
  wb.Step();
  EXPECT_EQ(wb.CodePosition(), 3);
  EXPECT_EQ(Var("X").Int, 1);
  std::int32_t pc = Machine().R.PC;
  wb.Trace();
  EXPECT_EQ(Machine().R.PC, pc + 1);
  EXPECT_EQ(wb.CodePosition(), 3);  // still inside line 3
  EXPECT_EQ(wb.Dumps().listingRow, pc + 1);
  wb.Trace();
  wb.Trace();  // the BRK of line 4
  EXPECT_EQ(wb.CodePosition(), 4);
  EXPECT_EQ(Var("Y").Int, 2);
  EXPECT_EQ(busyCalls, "BiBiBiBiBi");
  wb.Reset();
  EXPECT_EQ(wb.CodePosition(), -1);
  EXPECT_EQ(Var("X").Kind, 0);
}

// The fetch and a round's folder run outside the workbench; its code
// position and dumps show where they ended.
TEST_F(WorkbenchTest, TheDumpsFollowAFetchAndARound) {
  ASSERT_TRUE(Log().OpenFolder(Site("steps", TFolderInfo{})));
  Compile(kSteps);
  EXPECT_EQ(wb.CodePosition(), -1);
  app.ExecAction();
  EXPECT_EQ(wb.CodePosition(), 5);
  EXPECT_NE(wb.Dumps().variables.find("Z: 3"), std::string::npos) << wb.Dumps().variables;
  wb.Reset();
  TFolderInfo round;
  round.SiteUrl = "http://example.invalid/";
  round.ScriptName = "steps.pss";
  Script("steps.pss", kSteps);
  app.RoundAction(Site("round", round));
  EXPECT_EQ(wb.CodePosition(), 5);
  EXPECT_NE(wb.Dumps().variables.find("Z: 3"), std::string::npos);
}

// EXPORT stops at its first line for the workbench in developer mode, and
// runs through otherwise; the code position shows where it stands.
TEST_F(WorkbenchTest, ExportRunsWithTheDebugFlagAndMovesTheCodePosition) {
  struct Case {
    bool developer;
    int position;
    bool written;
  };
  for (const Case& c : {Case{true, 3, false}, Case{false, -1, true}}) {
    app.Settings.developerMode = c.developer;
    Compile("SCRIPT e;\r\nPROCDEF EXPORT(file, target, del)\r\nBEGIN\r\n  s := 'x';\r\n  SAVEF(file, s)\r\n"
            "END;\r\nBEGIN\r\nEND.\r\n");
    const std::string out = dir + "out" + std::to_string(c.developer) + ".txt";
    app.Export(out, 0, false);
    EXPECT_EQ(wb.CodePosition(), c.position) << c.developer;
    EXPECT_EQ(fs::FileExists(out), c.written) << c.developer;
  }
  EXPECT_EQ(app::ExportRunState(true), script::RunState::StepLine);
}

TEST_F(WorkbenchTest, RunStopsAtABreakpointAndContinuesFromIt) {
  Compile(kSteps);
  wb.ToggleBreakpoint(4);
  wb.Run();
  EXPECT_EQ(wb.CodePosition(), 4);
  EXPECT_EQ(wb.Steps().Entries()[4].substr(0, 2), ">!");
  EXPECT_EQ(Var("Y").Int, 2);
  EXPECT_EQ(Var("Z").Kind, 0);
  EXPECT_NE(wb.Dumps().variables.find("Y: 2"), std::string::npos);
  wb.Run();
  EXPECT_EQ(Machine().State, script::RunState::Halted);
  EXPECT_EQ(Var("Z").Int, 3);
}

TEST_F(WorkbenchTest, ABreakpointInALoopStopsOnEveryPass) {
  Compile("SCRIPT loop;\r\nBEGIN\r\n  FOR i := 1 TO 3 DO\r\n    x := x + i;\r\n  y := 1\r\nEND.\r\n");
  wb.ToggleBreakpoint(3);
  for (int pass = 0; pass < 3; ++pass) {
    wb.Run();
    EXPECT_EQ(wb.CodePosition(), 3) << pass;
    EXPECT_EQ(Var("X").Int, pass == 0 ? 0 : pass * (pass + 1) / 2) << pass;
  }
  wb.Run();
  EXPECT_EQ(Machine().State, script::RunState::Halted);
  EXPECT_EQ(Var("X").Int, 6);
}

TEST_F(WorkbenchTest, StopEndsARunWithBreakpointsThatNeverHitsOne) {
  Compile("SCRIPT spin;\r\nBEGIN\r\n  WHILE TRUE DO\r\n    x := x + 1;\r\n  y := 1\r\nEND.\r\n");
  wb.ToggleBreakpoint(4);  // after the endless loop: never reached
  int pumped = 0;
  pump.Add([&] {
    if (++pumped == 3) app.Stop();
  });
  Machine().Budget = Machine().Executed + 500000000;  // a bound should the stop never come
  wb.Run();
  EXPECT_EQ(Machine().State, script::RunState::Stopped);
  EXPECT_EQ(pumped, 3);
  EXPECT_GT(Var("X").Int, 0);
  EXPECT_EQ(Var("Y").Kind, 0);
}

TEST_F(WorkbenchTest, ABreakpointBeyondLine255HasNoEffect) {
  std::string src = "SCRIPT far;\r\nBEGIN\r\n  x := 1;\r\n";
  for (int i = 3; i < 270; ++i) src += "\r\n";
  src += "  y := 2\r\nEND.\r\n";
  Compile(src);
  wb.ToggleBreakpoint(270);
  EXPECT_TRUE(wb.Steps().HasBreakpoint(270));
  wb.Run();
  EXPECT_EQ(Machine().State, script::RunState::Halted);
  EXPECT_EQ(Var("Y").Int, 2);
}

TEST_F(WorkbenchTest, ValueDialogEntriesStandForSlotsInReverseOrder) {
  Compile("SCRIPT v;\r\nBEGIN\r\n  a := 'text';\r\n  b := 42\r\nEND.\r\n");
  wb.Run();
  std::vector<std::int32_t> slots = wb.VariableSlots();
  std::int32_t count = Machine().Symbols().SlotCount();
  ASSERT_EQ(static_cast<std::int32_t>(slots.size()), count);
  for (std::size_t k = 0; k < slots.size(); ++k) EXPECT_EQ(slots[k], count - 1 - static_cast<std::int32_t>(k));
  EXPECT_EQ(wb.ValueOfEntry(0), "42");  // b, the highest slot
  EXPECT_EQ(wb.ValueOfEntry(1), "text");
  EXPECT_EQ(wb.ValueOfEntry(count), "");
}

TEST_F(WorkbenchTest, AMissingScriptShowsAndCompilesTheTemplate) {
  Script("template.pss", "SCRIPT tmpl;\r\nBEGIN\r\nEND.\r\n");
  Log().Folder.ScriptName = "gone.pss";
  wb.LoadSource("junk");
  replaced = 0;
  wb.ReloadAndCompile();
  EXPECT_EQ(replaced, 1);
  EXPECT_EQ(SjisToUtf8(wb.Source()), "SCRIPT tmpl;\r\nBEGIN\r\nEND.\r\n");
  EXPECT_EQ(Engine().ProgramName, "tmpl");
  EXPECT_FALSE(wb.Modified());
  // Without a template the editor's text stays and is compiled.
  fs::DeleteFile(dir + "libs/template.pss");
  wb.LoadSource("SCRIPT kept; BEGIN END.");
  wb.ReloadAndCompile();
  EXPECT_EQ(Engine().ProgramName, "kept");
  // The round path compiles through the workbench too.
  Script("gone.pss", "SCRIPT own;\r\nBEGIN\r\nEND.\r\n");
  app.LoadAndCompile();
  EXPECT_EQ(Engine().ProgramName, "own");
  EXPECT_EQ(SjisToUtf8(wb.Source()), "SCRIPT own;\r\nBEGIN\r\nEND.\r\n");
}

TEST_F(WorkbenchTest, UnsavedChangesAreWrittenBeforeARoundOpensAnotherFolder) {
  std::string first = app.LogRoot() + "first/";
  std::string second = app.LogRoot() + "second/";
  for (const auto& [path, script] : {std::pair{first, "first.pss"}, std::pair{second, "second.pss"}}) {
    fs::ForceDirectories(path);
    TFolderInfo info;
    info.SiteUrl = "http://example.invalid/";  // a round runs only folders with an address
    info.ScriptName = script;
    info.RoundTarget = true;
    fs::WriteFileAtomic(path + "kvlnode.web", FormatNodeFile(info));
  }
  Script("first.pss", "SCRIPT first; BEGIN END.");
  Script("second.pss", "SCRIPT second; BEGIN END.");
  Log().OpenFolder(first);
  wb.ReloadAndCompile();
  Edit("SCRIPT first; BEGIN x := 1 END.");
  // The schedule does not start while the editor holds the change.
  app.SetSchedule(true, app::kAllHours, 45);
  EXPECT_FALSE(app.ScheduleTick(EncodeDate(2026, 12, 8, 13, 45, 0)));
  std::string loadedFirst;
  onReplaced = [&] {
    if (loadedFirst.empty()) loadedFirst = File("first.pss");
  };
  app.RoundAction(second);
  EXPECT_EQ(File("first.pss"), "SCRIPT first; BEGIN x := 1 END.\r\n");
  EXPECT_EQ(loadedFirst, "SCRIPT first; BEGIN x := 1 END.\r\n");  // written before second.pss loaded
  EXPECT_EQ(Engine().ProgramName, "second");
  EXPECT_FALSE(wb.Modified());
}

TEST_F(WorkbenchTest, TextThatCannotBeSavedIsNotLeftForAnotherFolder) {
  std::string other = app.LogRoot() + "other/";
  fs::ForceDirectories(other);
  TFolderInfo info;
  info.SiteUrl = "http://example.invalid/";
  info.ScriptName = "other.pss";
  fs::WriteFileAtomic(other + "kvlnode.web", FormatNodeFile(info));
  Script("other.pss", "SCRIPT other; BEGIN END.");
  Log().Folder.ScriptName = "mine.pss";
  Edit("SCRIPT mine; # 한\nBEGIN END.");
  EXPECT_FALSE(wb.LeaveFolder("x"));
  app.RoundAction(other);
  // The round could not open the other folder: the text is still here.
  EXPECT_NE(SjisToUtf8(wb.Source()).find("SCRIPT mine;"), std::string::npos);
  EXPECT_TRUE(wb.Modified());
  EXPECT_FALSE(fs::FileExists(dir + "libs/mine.pss"));
  EXPECT_NE(Engine().ProgramName, "other");
  bool told = false;
  for (const auto& c : ui.calls) told |= SjisToUtf8(c.text) == "編集中のスクリプトを保存できないため、フォルダを切り替えません";
  EXPECT_TRUE(told);
}

TEST_F(WorkbenchTest, LeavingAFolderWithoutAScriptNameAsksForOne) {
  Log().Folder.ScriptName.clear();
  Edit("SCRIPT n; BEGIN END.");
  wb.LeaveFolder(Utf8ToSjis("サイト"));
  ASSERT_EQ(ui.calls.size(), 1u);
  EXPECT_EQ(ui.calls[0].what, "InputBox");
  EXPECT_EQ(SjisToUtf8(ui.calls[0].caption), "サイトのスクリプト名を入力してください");
  EXPECT_EQ(SjisToUtf8(ui.calls[0].text), "ファイル名");
  EXPECT_TRUE(wb.Modified());  // cancelled: nothing written
  ui.inputAnswers = {"../escape.pss", "named.pss"};
  EXPECT_TRUE(wb.LeaveFolder("x"));
  EXPECT_FALSE(fs::FileExists(dir + "escape.pss"));
  EXPECT_TRUE(wb.Modified());
  EXPECT_TRUE(wb.LeaveFolder("x"));
  EXPECT_EQ(Log().Folder.ScriptName, "named.pss");
  EXPECT_EQ(File("named.pss"), "SCRIPT n; BEGIN END.\r\n");
  EXPECT_FALSE(wb.Modified());
  // The log root is asked for by the top node's caption.
  Log().Folder.ScriptName.clear();
  ui.calls.clear();
  Edit("SCRIPT r; BEGIN END.");
  EXPECT_FALSE(wb.Save());
  ASSERT_EQ(ui.calls.size(), 1u);
  EXPECT_EQ(SjisToUtf8(ui.calls[0].caption), "インターネットのスクリプト名を入力してください");
}

TEST_F(WorkbenchTest, TextShiftJisCannotHoldIsNeverSaved) {
  Log().Folder.ScriptName = "s.pss";
  Script("s.pss", "old");
  Edit("SCRIPT s; # 한\nBEGIN END.");
  EXPECT_FALSE(wb.Save());
  EXPECT_EQ(File("s.pss"), "old");
  ASSERT_EQ(ui.calls.size(), 1u);
  EXPECT_EQ(SjisToUtf8(ui.calls[0].text), "「U+D55C」(13 文字目) はシフトJISで書けないため保存できません");
  Edit("SCRIPT s; # 日本\nBEGIN END.");
  EXPECT_TRUE(wb.Save());
  EXPECT_EQ(File("s.pss"), "SCRIPT s; # 日本\r\nBEGIN END.\r\n");
  EXPECT_FALSE(wb.Modified());
}

TEST_F(WorkbenchTest, TemplateLabelCyclesAndThePageMatchIsMarked) {
  Script("page.htm", "xx<b>日本</b>yy");
  Compile(
      "SCRIPT tpl;\r\nPOST[]:-\r\n<b>${T}</b>\r\n-::\r\nROW[]:-\r\n<i>${U}</i>\r\n-::\r\n"
      "BEGIN\r\n  LOADF('" + dir + "libs/page.htm');\r\n  r := REGEXPR('<b>', _)\r\nEND.\r\n");
  ASSERT_EQ(wb.TemplateCount(), 2);
  EXPECT_EQ(wb.TemplateName(), "POST");
  EXPECT_EQ(wb.TemplateDump().substr(0, 5), "*:<b>");
  wb.NextTemplate();
  EXPECT_EQ(wb.TemplateName(), "ROW");
  wb.NextTemplate();
  EXPECT_EQ(wb.TemplateName(), "POST");
  EXPECT_FALSE(wb.PageMatch().has_value());
  wb.Run();
  EXPECT_EQ(SjisToUtf8(wb.Dumps().page), "xx<b>日本</b>yy\r\n");
  auto span = wb.PageMatch();
  ASSERT_TRUE(span.has_value());
  EXPECT_EQ(*span, (app::EditorSpan{2, 3}));
  EXPECT_EQ(SjisToUtf8(wb.ExtractedText()).substr(0, 10), "xx日本yy");
}

// A match found far into one page, then the page made short: nothing is
// marked, and asking does not fault (a round's folders run one after another).
TEST_F(WorkbenchTest, AMatchPastTheEndOfTheShownPageMarksNothing) {
  Script("page.htm", std::string(4000, 'x') + "<b>");
  Script("short.htm", "s");
  Compile("SCRIPT tpl;\r\nBEGIN\r\n  LOADF('" + dir + "libs/page.htm');\r\n  r := REGEXPR('<b>', _);\r\n"
          "  LOADF('" + dir + "libs/short.htm')\r\nEND.\r\n");
  wb.Run();
  EXPECT_EQ(wb.Dumps().page.substr(0, 1), "s");
  EXPECT_FALSE(wb.PageMatch().has_value());
}

TEST_F(WorkbenchTest, SystemVariablesFollowTheSettingAndTheirToggleCaption) {
  app.Settings.sysVarDisp = true;
  EXPECT_TRUE(wb.SystemVariablesShown());
  EXPECT_EQ(SjisToUtf8(wb.SystemVariablesToggleCaption()), "▲");
  wb.ToggleSystemVariables();
  EXPECT_FALSE(app.Settings.sysVarDisp);  // kept for the next start
  EXPECT_EQ(SjisToUtf8(wb.SystemVariablesToggleCaption()), "▼");
}

// The page's caption after each step of an edit: saved and compiled, then
// marked for what is not.
TEST_F(WorkbenchTest, ThePageCaptionMarksUnsavedAndUncompiledText) {
  Log().Folder.ScriptName = "steps.pss";
  struct Step {
    std::function<void()> act;
    const char* caption;
  };
  const Step steps[] = {
      {[&] { Compile(kSteps); }, "スクリプト"},
      {[&] { Edit("SCRIPT t; BEGIN x := 1 END."); }, "スクリプト * (未コンパイル)"},
      {[&] { wb.Compile(); }, "スクリプト *"},
      {[&] { EXPECT_TRUE(wb.Save()); }, "スクリプト"},
      {[&] { Edit("SCRIPT t; BEGIN x := END."); }, "スクリプト * (未コンパイル)"},
      {[&] { EXPECT_THROW(wb.Compile(), script::ECompileError); }, "スクリプト * (未コンパイル)"},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(SjisToUtf8(wb.PageCaption()), s.caption);
  }
}

TEST_F(WorkbenchTest, AFetchCompilesTheEditorsChangesFirstAndStopsOnACompileError) {
  Log().Folder.ScriptName = "fetch.pss";
  Compile("SCRIPT t; BEGIN END.");
  Edit("SCRIPT t; BEGIN PACK(0: 1, 2: 5, 3: 'x'); PUTLOG(0) END.");
  app.ExecAction();
  EXPECT_EQ(Log().Count(), 1);  // the changed text ran
  EXPECT_EQ(SjisToUtf8(wb.PageCaption()), "スクリプト *");
  Edit("SCRIPT t; BEGIN PACK(0: 2, 2: 5, 3: 'y'); PUTLOG(0); x := END.");
  EXPECT_THROW(app.ExecAction(), script::ECompileError);
  EXPECT_EQ(Log().Count(), 1);  // nothing ran
  EXPECT_EQ(wb.ActivePage(), TWorkbench::Page::Editor);
  EXPECT_GT(wb.ErrorSpan().length, 0u);
}

// Leaving a folder whose edited text does not compile asks first: Yes
// writes it, No leaves it unwritten, Cancel keeps the folder open.
TEST_F(WorkbenchTest, LeavingAFolderWhoseTextDoesNotCompileAsksBeforeSaving) {
  struct Case {
    int answer;
    bool written, leaves;
  };
  for (const Case c : {Case{kIdYes, true, true}, Case{kIdNo, false, true}, Case{kIdCancel, false, false}}) {
    Log().Folder.ScriptName = "broken.pss";
    Script("broken.pss", "SCRIPT t; BEGIN END.");
    Compile("SCRIPT t; BEGIN END.");
    Edit("SCRIPT t; BEGIN x := END.");
    ui.calls.clear();
    ui.messageAnswers = {c.answer};
    bool left = true;
    try {
      wb.LeaveOpenFolder();
    } catch (const Exception&) {
      left = false;
    }
    EXPECT_EQ(left, c.leaves) << c.answer;
    EXPECT_EQ(File("broken.pss") == "SCRIPT t; BEGIN x := END.\r\n", c.written) << c.answer;
    ASSERT_FALSE(ui.calls.empty());
    EXPECT_NE(SjisToUtf8(ui.calls[0].text).find("のスクリプトはコンパイルできません。"), std::string::npos);
    EXPECT_EQ(ui.calls[0].number, kMbYesNoCancel);
  }
}

TEST_F(WorkbenchTest, AfterARenameTheDebugViewsShowTheNewFolderPath) {
  TFolderInfo info;
  const std::string old = Site("board", info);
  Log().OpenFolder(old);
  Compile(kSteps);
  EXPECT_NE(wb.Dumps().systemVariables.find(old), std::string::npos);
  ASSERT_TRUE(app.RenameFolder(old, "renamed"));
  const std::string renamed = LogRoot() + "renamed/";
  EXPECT_EQ(Log().FolderPath(), renamed);
  EXPECT_EQ(wb.Dumps().systemVariables.find(old), std::string::npos);
  EXPECT_NE(wb.Dumps().systemVariables.find(renamed), std::string::npos);
}

}  // namespace
}  // namespace bq::test
