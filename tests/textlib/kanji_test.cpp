#include "textlib/kanji.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <optional>
#include <string>

namespace bq {
namespace {

// iconv as the outside oracle; nullopt when iconv refuses the input.
std::optional<std::string> Iconv(const char* from, const char* to, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string src = in;
  char out[64];
  char* ip = src.data();
  char* op = out;
  size_t il = src.size(), ol = sizeof out;
  size_t r = iconv(cd, &ip, &il, &op, &ol);
  if (r != static_cast<size_t>(-1)) r = iconv(cd, nullptr, nullptr, &op, &ol);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || il != 0) return std::nullopt;
  return std::string(out, sizeof out - ol);
}

const std::string kSjisA = "\x82\xa0";  // あ
const std::string kEucA = "\xa4\xa2";
const std::string kGeta = "\x81\xac";   // 〓

// ---- detectors -----------------------------------------------------------

struct DetectCase {
  const char* name;
  std::string text;
  int sjis, euc, jis;
};

class Detectors : public ::testing::TestWithParam<DetectCase> {};

TEST_P(Detectors, GiveTheirBitOnlyForTheirForm) {
  const DetectCase& c = GetParam();
  EXPECT_EQ(DetectSjis(c.text), c.sjis);
  EXPECT_EQ(DetectEuc(c.text), c.euc);
  EXPECT_EQ(DetectJis(c.text), c.jis);
}

INSTANTIATE_TEST_SUITE_P(
    Kanji, Detectors,
    ::testing::Values(
        DetectCase{"Ascii", "plain <b>text</b>", 0, 0, 0},
        DetectCase{"SjisHiragana", "a" + kSjisA + "b", 1, 2, 0},       // passes both
        DetectCase{"SjisAsciiTrail", "\x95\x5c", 1, 0, 0},            // 表: trail below 0x80
        DetectCase{"SjisKana", "\xb1\xb2", 0, 2, 0},                  // no lead byte
        DetectCase{"SjisLeadAtEnd", "ab\x82", 0, 0, 0},
        DetectCase{"SjisBadTrail", "\x82\x20", 0, 0, 0},
        DetectCase{"EucNotSjis", "\xa4\xa2\xe0\xfe", 0, 2, 0},         // E0 lead, FE no trail
        DetectCase{"EucKatakana", "\x8e\xb1", 1, 2, 0},
        DetectCase{"EucOddHighByte", "\xa4\xa2\xa4", 0, 0, 0},
        DetectCase{"JisKanji", "\x1b$B$\"\x1b(B", 0, 0, 4},
        DetectCase{"JisOldForms", "\x1b$@$\"\x1b(J", 0, 0, 4},
        DetectCase{"JisOtherEscape", "\x1b$B$\"\x1b(I1", 0, 0, 0},
        DetectCase{"JisCutEscape", "\x1b$B$\"\x1b(", 0, 0, 0},
        DetectCase{"JisLoneEscape", "\x1b", 0, 0, 0}),
    [](const ::testing::TestParamInfo<DetectCase>& i) { return std::string(i.param.name); });

TEST(KanjiDetect, Utf8NeedsOneWellFormedMultiByteSequence) {
  EXPECT_TRUE(IsUtf8Text("\xe3\x81\x82 ok"));
  EXPECT_FALSE(IsUtf8Text("ascii only"));
  EXPECT_FALSE(IsUtf8Text(kSjisA));
  EXPECT_FALSE(IsUtf8Text("\xe3\x81"));          // cut at the end
  EXPECT_FALSE(IsUtf8Text("\xc0\xaf"));          // overlong
  EXPECT_FALSE(IsUtf8Text("\xed\xa0\x80"));      // surrogate
  EXPECT_FALSE(IsUtf8Text("\xf4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_TRUE(IsUtf8Text("\xf0\x9f\x98\x80"));
}

// The decision ToSjis takes from the union of the three detectors.
KanjiForm FormOfUnion(std::string_view text) {
  int guess = DetectSjis(text) | DetectEuc(text) | DetectJis(text);
  if (guess >= kGuessJis) return KanjiForm::kJis;
  return guess == kGuessEuc ? KanjiForm::kEuc : KanjiForm::kAsIs;
}

class FormGuess : public ::testing::TestWithParam<DetectCase> {};

TEST_P(FormGuess, MatchesTheUnionOfTheDetectors) {
  const DetectCase& c = GetParam();
  EXPECT_EQ(DetectSjis(c.text), c.sjis);
  EXPECT_EQ(DetectEuc(c.text), c.euc);
  EXPECT_EQ(DetectJis(c.text), c.jis);
  int guess = c.sjis | c.euc | c.jis;
  KanjiForm want = guess >= kGuessJis ? KanjiForm::kJis : guess == kGuessEuc ? KanjiForm::kEuc : KanjiForm::kAsIs;
  EXPECT_EQ(GuessForm(c.text), want);
}

INSTANTIATE_TEST_SUITE_P(
    Kanji, FormGuess,
    ::testing::Values(
        DetectCase{"Empty", "", 0, 0, 0},
        DetectCase{"Ascii", "plain <b>text</b>", 0, 0, 0},
        DetectCase{"SjisAndEuc", "a" + kSjisA + "b", 1, 2, 0},
        DetectCase{"SjisOnly", "\x93\xfa\x96\x7b\x8c\xea", 1, 0, 0},
        DetectCase{"EucOnly", "<p>\xa4\xa2\xe0\xfe</p>", 0, 2, 0},
        DetectCase{"EucKanaPairs", "\x8e\xb1\x8e\xdf", 1, 2, 0},
        DetectCase{"EucKanaBadTrail", "\x8e\xb1\x8e\xfd", 0, 2, 0},  // FD is no Shift_JIS trail
        DetectCase{"EucKanaAtEnd", "\xa4\xa2\x8e", 0, 0, 0},
        DetectCase{"EucPairsThenSjisLeadAtEnd", "\xa4\xa2\xa4\xa2\x82", 0, 0, 0},
        DetectCase{"SjisLeadAtEndOnly", "abc\x82", 0, 0, 0},
        DetectCase{"JisWithSjis", "\x1b$B$\"\x1b(B\x95\x5c", 1, 0, 4},
        DetectCase{"JisWithEuc", "\x1b$B$\"\x1b(B\xa4\xa2\xe0\xfe", 0, 2, 4},
        DetectCase{"BadEscapeWithEuc", "\x1b$(D\xa4\xa2\xe0\xfe", 0, 2, 0},
        DetectCase{"EscapeCutAtEnd", "\xa4\xa2\xe0\xfe\x1b$", 0, 2, 0},
        DetectCase{"EscapeOnly", "\x1b(J", 0, 0, 4}),
    [](const ::testing::TestParamInfo<DetectCase>& i) { return std::string(i.param.name); });

// Short texts over the bytes the detectors care about, each checked against
// the union: the early exits must never change the decision.
TEST(KanjiDetect, FormGuessAgreesWithTheUnionOnGeneratedTexts) {
  const unsigned char kAlphabet[] = {0x1B, '$', '(', 'B', '@', 'J', 'a', 0x20, 0x40, 0x7F, 0x81,
                                     0x82, 0x8E, 0x8F, 0x9F, 0xA0, 0xA4, 0xDF, 0xE0, 0xFC, 0xFD, 0xFE};
  std::uint32_t state = 12345;
  int forms[3] = {0, 0, 0};
  for (int round = 0; round < 40000; ++round) {
    state = state * 1664525u + 1013904223u;
    std::size_t len = (state >> 24) % 13;
    std::string text;
    for (std::size_t k = 0; k < len; ++k) {
      state = state * 1664525u + 1013904223u;
      text += static_cast<char>(kAlphabet[(state >> 16) % sizeof kAlphabet]);
    }
    KanjiForm form = GuessForm(text);
    ASSERT_EQ(form, FormOfUnion(text)) << ::testing::PrintToString(text);
    ++forms[static_cast<int>(form)];
  }
  // The generated texts reach every decision.
  EXPECT_GT(forms[0], 0);
  EXPECT_GT(forms[1], 0);
  EXPECT_GT(forms[2], 0);
}

// ---- converters ----------------------------------------------------------

TEST(KanjiConvert, HiraganaAFromEucAndJis) {
  EXPECT_EQ(EucToSjis(kEucA), kSjisA);
  EXPECT_EQ(JisToSjis("\x1b$B$\"\x1b(B"), kSjisA);
}

// For every JIS X 0208 row and cell that iconv maps, both converters give
// iconv's Shift_JIS bytes.
TEST(KanjiConvert, AgreesWithIconvOnEveryJisX0208Character) {
  int compared = 0;
  for (int row = 1; row <= 94; ++row) {
    for (int cell = 1; cell <= 94; ++cell) {
      std::string euc{static_cast<char>(0xA0 + row), static_cast<char>(0xA0 + cell)};
      std::optional<std::string> want = Iconv("EUC-JP", "SHIFT_JIS", euc);
      if (!want) continue;
      ASSERT_EQ(EucToSjis(euc), *want) << "row " << row << " cell " << cell;
      std::string jis = "\x1b$B" + std::string{static_cast<char>(0x20 + row), static_cast<char>(0x20 + cell)} + "\x1b(B";
      ASSERT_EQ(Iconv("ISO-2022-JP", "SHIFT_JIS", jis), want) << "row " << row << " cell " << cell;
      ASSERT_EQ(JisToSjis(jis), *want) << "row " << row << " cell " << cell;
      ++compared;
    }
  }
  EXPECT_GT(compared, 6800);
}

TEST(KanjiConvert, EucHalfWidthKatakanaBecomesOneByte) {
  EXPECT_EQ(EucToSjis("\x8e\xb1\x8e\xdf"), "\xb1\xdf");
  EXPECT_EQ(Iconv("EUC-JP", "SHIFT_JIS", "\x8e\xb1"), "\xb1");
}

TEST(KanjiConvert, EucBrokenBytesBecomeGetaAndKeepWhatFollows) {
  EXPECT_EQ(EucToSjis("\x8f\xb0\xa1x"), kGeta + "x");             // JIS X 0212 kanji
  EXPECT_EQ(EucToSjis("\xa4<b>"), kGeta + "<b>");                 // stray byte keeps the tag
  EXPECT_EQ(EucToSjis("ab\xa4"), "ab" + kGeta);                   // lead byte as last byte
  EXPECT_EQ(EucToSjis("\x80\x80\x80"), kGeta + kGeta + kGeta);    // output grows past the input
  EXPECT_EQ(EucToSjis(std::string("a\0" "\xa4\xa2", 4)), std::string("a\0", 2) + kSjisA);
}

TEST(KanjiConvert, JisKanjiModeKeepsLineBreaksAndMarksOddBytes) {
  EXPECT_EQ(JisToSjis("\x1b$B$\"\r\n$\"\x1b(B"), kSjisA + "\r\n" + kSjisA);
  EXPECT_EQ(JisToSjis("\x1b$B$\"$"), kSjisA + kGeta);             // odd byte at the end
  EXPECT_EQ(JisToSjis("\x1b$B\x7f\x7f"), kGeta + kGeta);
}

TEST(KanjiConvert, JisCutOrUnknownEscapes) {
  EXPECT_EQ(JisToSjis("ab\x1b"), "ab");
  EXPECT_EQ(JisToSjis("ab\x1b$"), "ab");
  EXPECT_EQ(JisToSjis("\x1b(Iab"), "ab");                         // consumed, mode unchanged
  EXPECT_EQ(JisToSjis("\x1b$B$\"\x1b(I$\""), kSjisA + kSjisA);    // still kanji mode
}

TEST(KanjiConvert, JisAsciiModeCopiesShiftJisBytes) {
  std::string sjis = "a" + kSjisA + "\x95\x5c" + "\xb1";
  EXPECT_EQ(JisToSjis(sjis), sjis);
}

TEST(KanjiConvert, HugeInputsConvertWhole) {
  std::string euc, want;
  for (int i = 0; i < 200000; ++i) {
    euc += kEucA + "<br>";
    want += kSjisA + "<br>";
  }
  EXPECT_EQ(EucToSjis(euc), want);
  std::string bad(1 << 20, '\x80');
  EXPECT_EQ(EucToSjis(bad).size(), bad.size() * 2);
}

// ---- declarations and the page conversion --------------------------------

TEST(KanjiDeclared, CharsetOfTheStrictMetaFormFirst) {
  EXPECT_EQ(DeclaredCharset("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=euc-jp\">"), "EUC-JP");
  EXPECT_EQ(DeclaredCharset("<META charset=\"utf-8\"><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;charset=Shift_JIS\">"),
            "SHIFT_JIS");
  EXPECT_EQ(DeclaredCharset("<meta http-equiv=\"Content-Type\" content=\"text/html\"><meta charset=utf-8>"), "UTF-8");
  EXPECT_EQ(DeclaredCharset("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP"), "EUC-JP");  // no '>'
  EXPECT_EQ(DeclaredCharset("<META HTTP-EQUIV=\"CONTENT-TYPE\" CONTENT='text/html; charset=euc-jp'>"), "EUC-JP'");
}

TEST(KanjiDeclared, Html5MetaCharsetForms) {
  EXPECT_EQ(DeclaredCharset("<html><meta charset=\"utf-8\">"), "UTF-8");
  EXPECT_EQ(DeclaredCharset("<meta charset='UTF-8'/>"), "UTF-8");
  EXPECT_EQ(DeclaredCharset("<Meta Charset = utf-8>"), "UTF-8");
  EXPECT_EQ(DeclaredCharset("<meta name=x><meta charset=euc-jp>"), "EUC-JP");
  EXPECT_EQ(DeclaredCharset("<meta charset="), "");
  EXPECT_EQ(DeclaredCharset("no tags"), "");
}

// The tag scan reads many positions per step; a declaration must be found
// wherever it starts, behind other tags and lone '<' bytes.
TEST(KanjiDeclared, MetaTagFoundAtEveryOffset) {
  for (std::size_t at = 0; at < 150; ++at) {
    std::string filler;
    for (std::size_t k = 0; k < at; ++k) filler += "<tM"[k % 3];
    ASSERT_EQ(DeclaredCharset(filler + "<map><meta charset=euc-jp>"), "EUC-JP") << at;
    ASSERT_EQ(DeclaredCharset(filler + "<MEta charset=sjis"), "SJIS") << at;
    ASSERT_EQ(DeclaredCharset(filler + "<m"), "") << at;
    ASSERT_EQ(DeclaredCharset(filler + "<"), "") << at;
  }
}

TEST(KanjiDeclared, HeaderCharsetParameter) {
  EXPECT_EQ(HeaderCharset("text/html; charset=UTF-8"), "UTF-8");
  EXPECT_EQ(HeaderCharset("text/html; Charset=\"euc-jp\""), "EUC-JP");
  EXPECT_EQ(HeaderCharset("text/html"), "");
}

TEST(KanjiToSjis, DeclaredEucIsConvertedEvenWhenItPassesAsShiftJis) {
  std::string head = "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=EUC-JP\">";
  ASSERT_EQ(DetectSjis(kEucA), 0);  // A4 is not a lead byte, so take bytes valid in both:
  std::string both = "\xe0\xa1";    // Shift_JIS lead E0 + trail A1, EUC row 0x60 cell 0x21
  ASSERT_EQ(DetectSjis(both) | DetectEuc(both), 3);
  EXPECT_EQ(ToSjis(head + both), head + EucToSjis(both));
  EXPECT_NE(EucToSjis(both), both);
}

TEST(KanjiToSjis, DeclaredShiftJisPassesExceptEscapes) {
  std::string head = "<meta http-equiv=\"content-type\" content=\"text/html; charset=Shift_JIS\">";
  std::string body = kEucA + kSjisA;  // bytes that would pass as EUC too
  EXPECT_EQ(ToSjis(head + body), head + body);
  EXPECT_EQ(ToSjis(head + "a\x1b(Bb"), head + "ab");
  EXPECT_EQ(ToSjis("<meta http-equiv=\"content-type\" content=\"text/html; charset=x-sjis\">" + kEucA),
            "<meta http-equiv=\"content-type\" content=\"text/html; charset=x-sjis\">" + kEucA);
}

TEST(KanjiToSjis, UndeclaredPagesByGuess) {
  std::string euc = "<p>\xa4\xa2\xe0\xfe</p>";  // E0 FE is no Shift_JIS pair
  ASSERT_EQ(DetectSjis(euc) | DetectEuc(euc), kGuessEuc);
  EXPECT_EQ(ToSjis(euc), "<p>" + kSjisA + *Iconv("EUC-JP", "SHIFT_JIS", "\xe0\xfe") + "</p>");
  std::string both = "\xe0\xa1\xe0\xa1";  // guess 3
  EXPECT_EQ(ToSjis(both), both);
  EXPECT_EQ(ToSjis("x\x1b$B$\"\x1b(By"), "x" + kSjisA + "y");
  std::string otherEscape = "x\x1b$(D+!\x1b(By";
  EXPECT_EQ(ToSjis(otherEscape), otherEscape);
  EXPECT_EQ(ToSjis("<html>plain ascii</html>"), "<html>plain ascii</html>");
  std::string nul("a\0b", 3);
  EXPECT_EQ(ToSjis(nul), nul);
}

TEST(KanjiToSjis, Utf8PagesByDeclarationHeaderOrShape) {
  std::string a = "\xe3\x81\x82";  // あ in UTF-8
  EXPECT_EQ(ToSjis("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">" + a),
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">" + kSjisA);
  EXPECT_EQ(ToSjis("<meta charset=\"utf-8\">" + a), "<meta charset=\"utf-8\">" + kSjisA);
  EXPECT_EQ(ToSjis("<p>" + a, "text/html; charset=UTF-8"), "<p>" + kSjisA);
  EXPECT_EQ(ToSjis("<p>" + a), "<p>" + kSjisA);                    // undeclared but valid UTF-8
  EXPECT_EQ(ToSjis("\xf0\x9f\x98\x80!", "text/html; charset=utf-8"), kGeta + "!");  // no CP932 code
}

TEST(KanjiToSjis, PageDeclarationWinsOverHeader) {
  std::string page = "<meta charset=\"euc-jp\">" + kEucA;
  EXPECT_EQ(ToSjis(page, "text/html; charset=utf-8"), "<meta charset=\"euc-jp\">" + kSjisA);
  std::string sjisPage = "<p>\xc6\xfc</p>";  // undeclared, header says EUC-JP
  EXPECT_EQ(ToSjis(sjisPage, "text/html; charset=EUC-JP"), "<p>\x93\xfa</p>");
}

TEST(KanjiToSjis, BrokenUtf8DeclaredStillConvertsWithoutLoss) {
  std::string page = "<meta charset=utf-8>\xe3\x81";
  EXPECT_EQ(ToSjis(page), "<meta charset=utf-8>" + kGeta + kGeta);
}

TEST(KanjiPageCode, AFixedCodeSkipsTheDeclarationAndTheDetectors) {
  // The page says EUC-JP and its bytes read as EUC-JP; the folder knows better.
  std::string declared = "<meta charset=\"euc-jp\">" + kSjisA;
  EXPECT_EQ(ToSjisAs(declared, PageCode::kSjis), declared);
  EXPECT_EQ(ToSjisAs(declared, PageCode::kAuto), ToSjis(declared));
  EXPECT_EQ(ToSjisAs("<p>" + kEucA, PageCode::kEuc), "<p>" + kSjisA);
  EXPECT_EQ(ToSjisAs("\x1b$B$\"\x1b(B", PageCode::kJis), kSjisA);
  EXPECT_EQ(ToSjisAs("<meta charset=\"euc-jp\">\xe3\x81\x82", PageCode::kUtf8), "<meta charset=\"euc-jp\">" + kSjisA);
}

TEST(KanjiPageCode, NamesParseWithoutCaseAndAutoIsTheEmptyName) {
  PageCode code = PageCode::kSjis;
  EXPECT_TRUE(ParsePageCode("", code));
  EXPECT_EQ(code, PageCode::kAuto);
  for (PageCode c : {PageCode::kAuto, PageCode::kSjis, PageCode::kEuc, PageCode::kJis, PageCode::kUtf8}) {
    EXPECT_TRUE(ParsePageCode(PageCodeName(c), code));
    EXPECT_EQ(code, c);
  }
  EXPECT_TRUE(ParsePageCode("euc-jp", code));
  EXPECT_EQ(code, PageCode::kEuc);
  EXPECT_EQ(PageCodeName(PageCode::kJis), "ISO-2022-JP");
  code = PageCode::kUtf8;
  EXPECT_FALSE(ParsePageCode("EUC", code));
  EXPECT_FALSE(ParsePageCode("Shift_JIS ", code));
  EXPECT_EQ(code, PageCode::kUtf8);  // untouched on failure
}

}  // namespace
}  // namespace bq
