// Which compiled scripts can reach their folders, files or log.
#include <gtest/gtest.h>

#include "builtins/folder_reach.h"
#include "script/engine.h"
#include "textlib/cp932.h"

namespace bq::test {
namespace {

TEST(FolderReach, OnlyScriptsThatTouchFilesTheFetcherTheLogOrTheFolderPathReachThem) {
  const struct {
    const char* body;
    bool reaches;
  } cases[] = {
      {"", false},
      {"s := 0; FOR i := 1 TO 3 DO s := s + i; t := 'abc'; u := SUBSTR(t, 2, 1) + UPPER(t)", false},
      {"PACK(0: 1, 3: CSV('a,b', 2), 8: 4); PRINT(); MESSAGE('m')", false},
      {"n := URLNUM('a/12.html'); d := DATEFORMAT('2026/01/02'); s := 'a,b'; FOREACH w IN @SPLIT[',', s] DO n := n + 1", false},
      {"x := SORTCSV('b,a', 0); y := DECODEURL('%41')", false},
      {"GET('http://127.0.0.1:9/')", true},
      {"n := DOWNLOAD('http://127.0.0.1:9/a.txt', 0)", true},
      {"LOADF('a.txt')", true},
      {"t := 'x'; SAVEF('a.txt', t)", true},
      {"DELETEFILE('a.txt')", true},
      {"RENAMEFILE('a.txt', 'b.txt')", true},
      {"PACK(0: 1); PUTLOG(0)", true},
      {"LOGREMOVE(1, 0, 0)", true},
      {"FOREACH t IN @TOPICS[3] DO n := t", true},
      {"f := @DATAFOLDER", true},
      {"PACK(10: '%LOG%a.html')", true},
  };
  for (const auto& c : cases) {
    script::TScriptEngine engine;
    try {
      ASSERT_TRUE(engine.CompileScript(Utf8ToSjis(std::string("SCRIPT t; BEGIN ") + c.body + " END."), false));
    } catch (const script::ECompileError& e) {
      FAIL() << c.body << ": " << SjisToUtf8(e.what());
    }
    EXPECT_EQ(builtins::ReachesFolders(engine.Code), c.reaches) << c.body;
  }
}

}  // namespace
}  // namespace bq::test
