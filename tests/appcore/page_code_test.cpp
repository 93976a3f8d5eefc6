// A folder's "Charset" option fixes how its pages are read; other folders in
// the same round are read as before. The page is a short undeclared EUC-JP
// text that also reads as Shift_JIS, which the detectors leave unconverted.
#include <gtest/gtest.h>

#include "app/core/list/article_reader.h"
#include "app/core/list/body_lines.h"
#include "app/core/local_server.h"
#include "platform/fs.h"
#include "tests/support/app_fixture.h"
#include "textlib/kanji.h"

namespace bq::test {
namespace {

// "笄あの" in EUC-JP: E4A2 is a valid Shift_JIS pair and A4A2A4CE are
// half-width katakana there, so the bytes pass both detectors.
const std::string kEucPage = "<p>\xE4\xA2\xA4\xA2\xA4\xCE</p>";

const char* kFetchOne =
    "SCRIPT one;\r\nBEGIN\r\n  GET(%URL%);\r\n  PACK(0: 1, 3: _, 2: 1000);\r\n  PUTLOG(0)\r\nEND.\r\n";

class PageCodeTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fs::WriteFileAtomic(Libs() + "one.pss", kFetchOne);
  }
  std::string Folder(const std::string& rel, const std::string& charset) {
    TFolderInfo info;
    info.SiteUrl = server.Url("/euc");
    info.ScriptName = "one.pss";
    info.RoundTarget = true;
    info.SetExtension(kCharsetOption, charset);
    return Site(rel, info);
  }
  std::string StoredTitle(const std::string& path) {
    Log().OpenFolder(path);
    return Log().Count() == 1 ? Log().GetItem(0).TITLE : "(no article)";
  }

  app::TLocalServer server{[](const app::LocalRequest&) {
    return app::LocalResponse{200, "text/html", kEucPage};
  }};
};

TEST_F(PageCodeTest, ShortUndeclaredEucPageIsStoredRightOnlyInTheFolderThatSaysEucJp) {
  ASSERT_EQ(GuessForm(kEucPage), KanjiForm::kAsIs);  // the detectors cannot tell
  std::string euc = Folder("a", "EUC-JP");
  std::string plain = Folder("b", "");
  std::string again = Folder("c", "EUC-JP");
  app.RoundAction(app.LogRoot());
  EXPECT_EQ(SjisToUtf8(StoredTitle(euc)), "<p>笄あの</p>");
  // The next folder of the same round reads the page as it always did.
  EXPECT_EQ(StoredTitle(plain), kEucPage);
  EXPECT_EQ(SjisToUtf8(StoredTitle(again)), "<p>笄あの</p>");
  EXPECT_EQ(Web().PageCodeOverride, PageCode::kAuto);
}

TEST_F(PageCodeTest, TheOverrideEndsWithTheRunEvenWhenTheScriptFails) {
  fs::WriteFileAtomic(dir + "libs/one.pss", "SCRIPT one;\r\nBEGIN\r\n  x := DECODEURL('%')\r\nEND.\r\n");
  Log().OpenFolder(Folder("a", "UTF-8"));
  app.LoadAndCompile();
  EXPECT_ANY_THROW(app.ExecAction());
  EXPECT_EQ(Web().PageCodeOverride, PageCode::kAuto);
}

TEST_F(PageCodeTest, FolderPageCodeReadsTheOptionAndTakesUnknownValuesAsAuto) {
  TFolderInfo f;
  EXPECT_EQ(app::FolderPageCode(f), PageCode::kAuto);
  f.SetExtension(kCharsetOption, "ISO-2022-JP");
  EXPECT_EQ(app::FolderPageCode(f), PageCode::kJis);
  f.SetExtension(kCharsetOption, "KOI8-R");
  EXPECT_EQ(app::FolderPageCode(f), PageCode::kAuto);
}

TEST_F(PageCodeTest, AUtf8ScriptIsRefusedWithOneLineSayingHowToConvertIt) {
  fs::WriteFileAtomic(dir + "libs/one.pss", "SCRIPT one;\r\nBEGIN\r\n  x := '\xE3\x81\x82'\r\nEND.\r\n");
  Log().OpenFolder(Folder("a", ""));
  try {
    app.LoadAndCompile();
    FAIL() << "compiled";
  } catch (const Exception& e) {
    std::string text = e.what();
    EXPECT_NE(text.find("one.pss: the script is saved in UTF-8"), std::string::npos) << text;
    EXPECT_NE(text.find("iconv -f UTF-8 -t CP932"), std::string::npos);
    EXPECT_EQ(text.find('\n'), std::string::npos);
  }
}

TEST(BodyLines, QuoteBlocksTakeTheEmptyLinesAfterThem) {
  auto lines = app::BodyLines("a\r\n>q1\r\n\x81\x84q2\r\n\r\nb\r\n\r\n> x");
  ASSERT_EQ(lines.size(), 7u);
  const bool quote[] = {false, true, true, true, false, false, true};
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].quote, quote[i]) << i;
  EXPECT_EQ(lines[2].text, "\x81\x84q2");
  EXPECT_EQ(lines[3].text, "");
  EXPECT_TRUE(app::BodyLines("").empty());
  EXPECT_FALSE(app::IsQuoteLine(" >indented"));
}

}  // namespace
}  // namespace bq::test
