// The register, stack, variable and system-variable views, word for word.
#include "script/views.h"
#include "tests/script/machine_fixture.h"

namespace bq::script::test {
namespace {

TEST_F(MachineTest, StackViewAfterAResetShowsOnlyItsHeader) {
  Compile("SCRIPT t; BEGIN END.");
  EXPECT_EQ(ShowStack(m), "STK: 18   PAR: 17   SPC:   18\r\n");
}

TEST_F(MachineTest, StackViewListsSlotsAboveTheVariablesTopFirst) {
  Compile("SCRIPT t; BEGIN x := 1 END.");
  m.PushValue(TScriptValue::Text("ab\x01" "c"));
  m.PushValue(TScriptValue::Integer(-5));
  m.PushValue(TScriptValue::Link(3));
  EXPECT_EQ(ShowStack(m),
            "STK: 22   PAR: 18   SPC:   19\r\n"
            "[21] 7 : 3        : \r\n"
            "[20] 1 : -5       : \r\n"
            "[19] 2 : 0        : ab.c\r\n");
}

TEST_F(MachineTest, RegisterViewShowsTheNextInstructionAndBothRegisters) {
  Compile("SCRIPT t; BEGIN x := 'some text'; y := 2 END.");
  m.State = RunState::StepOne;
  m.Run();
  m.R.B = TScriptValue::Integer(255);
  m.R.URL = "http://127.0.0.1/";
  m.R.SMR = 3;
  EXPECT_EQ(ShowRegisters(m),
            "[   4]: STA  X(18)\r\n"
            "SPC:   20  PAR:   19 SMR: 3\r\n"
            "FRP: 00000000  CCR:    0\r\n"
            "URL: http://127.0.0.1/\r\n"
            "TYP:    2  INT: 0\r\n"
            "STR: some text\r\n"
            "TYP:    1  INT: 255\r\n"
            "STR: ");
}

TEST_F(MachineTest, RegisterViewCutsLongTextsAtSixtyFourCharacters) {
  Compile("SCRIPT t; BEGIN END.");
  m.R.A = TScriptValue::Text(std::string(70, 'a'));
  m.R.CCR = kFlagZ | kFlagOption;
  std::string view = ShowRegisters(m);
  EXPECT_NE(view.find("CCR:  101\r\n"), std::string::npos);
  EXPECT_NE(view.find("STR: " + std::string(64, 'a') + ">>>...\r\n"), std::string::npos);
}

TEST_F(MachineTest, VariableViewListsNamedSlotsHighestFirst) {
  RunBody("x := 'abc'; n := 5");
  std::string view = ShowVariables(m);
  std::string head = "         N: 5       \r\n         X: abc     \r\n % REFERER%: 0       \r\n";
  EXPECT_EQ(view.substr(0, view.find("%REFERER%")),
            "         N: 5       \r\n         X: abc     \r\n ");
  int lines = 0;
  for (std::size_t p = view.find("\r\n"); p != std::string::npos; p = view.find("\r\n", p + 2)) ++lines;
  EXPECT_EQ(lines, 20);
  EXPECT_NE(view.find("%REFERER%: 0       \r\n"), std::string::npos);
  EXPECT_EQ(view.substr(view.size() - 22), "         _: 0       \r\n");
  (void)head;
}

TEST_F(MachineTest, SystemVariableViewFillsItsTemplate) {
  host.docDate = 1700000000;
  host.logCount = 12;
  Compile("SCRIPT t; BEGIN END.");
  m.R.URL = "http://127.0.0.1/";
  m.ProgramFolder = "/opt/bq/";
  m.DataFolder = "/data/";
  m.LibraryFolder = "/opt/bq/libs/";
  m.PushValue(TScriptValue::Text("arg"));
  m.PushValue(TScriptValue::Integer(1));
  m.R.PAR = m.R.STK - 1;
  m.R.SPC = m.R.STK - 2;
  EXPECT_EQ(SjisToUtf8(ShowSystemVariables(m)),
            "■システム変数■\r\n"
            "         # = 1\r\n"
            "         % = arg\r\n"
            "  @DOCDATE = 1700000000\r\n"
            "      @URL = http://127.0.0.1/\r\n"
            " @LOGCOUNT = 12      \r\n"
            "@APPFOLDER = /opt/bq/\r\n"
            "@DATAFOLDER= /data/  \r\n"
            "@LIBFOLDER = /opt/bq/libs/");
}

}  // namespace
}  // namespace bq::script::test
