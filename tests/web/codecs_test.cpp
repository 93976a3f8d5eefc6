#include "web/codecs.h"

#include <gtest/gtest.h>

namespace bq {
namespace {

std::string Mime(std::string_view in) { return TUUProcessor().Encode(in); }

TEST(Base64, GroupsAndPadding) {
  EXPECT_EQ(Mime("Man"), "TWFu\r\n");
  EXPECT_EQ(Mime("Ma"), "TWE=\r\n");
  EXPECT_EQ(Mime("M"), "TQ==\r\n");
  EXPECT_EQ(Mime(""), "");
  EXPECT_EQ(Mime("user:pass"), "dXNlcjpwYXNz\r\n");
  EXPECT_EQ(Mime(std::string("\xff\xfe\x00", 3)), "//4A\r\n");
}

TEST(Base64, BreaksLinesEvery45InputBytes) {
  std::string out = Mime(std::string(46, 'a'));
  ASSERT_EQ(out.size(), 60u + 2 + 4 + 2);
  std::string full;
  for (int i = 0; i < 15; ++i) full += "YWFh";
  EXPECT_EQ(out.substr(0, 60), full);
  EXPECT_EQ(out.substr(60, 2), "\r\n");
  EXPECT_EQ(out.substr(62), "YQ==\r\n");
}

TEST(UUCode, LengthCharacterAndFinalLine) {
  TUUProcessor p;
  p.Method = UUMethods::uuCode;
  int begins = 0, ends = 0;
  p.OnBeginEncode = [&] { ++begins; };
  p.OnEndEncode = [&] { ++ends; };
  // "Cat" is the classic example: #0V%T
  EXPECT_EQ(p.Encode("Cat"), "#0V%T\r\n`\r\n");
  // Zero values use the backquote; a short last group is not padded.
  EXPECT_EQ(p.Encode(std::string("\0", 1)), "!``\r\n`\r\n");
  EXPECT_EQ(begins, 2);
  EXPECT_EQ(ends, 2);
}

TEST(UrlDecoder, EscapesAndPlus) {
  TUrlDecoder d;
  d.InputString = "%41%42+c%7e";
  EXPECT_EQ(d.Decode(), "AB c~");
  d.InputString = "a=1+2%41";
  EXPECT_EQ(d.Decode(), "a=1 2A");
}

TEST(UrlDecoder, MalformedEscapeReturnsInputUnchanged) {
  TUrlDecoder d;
  std::string msg;
  d.OnError = [&](const std::string& m, const std::string&) { msg = m; };
  for (const char* in : {"a+b%4", "a+b%", "%zz+", "x%4g"}) {
    msg.clear();
    d.InputString = in;
    EXPECT_EQ(d.Decode(), in);
    EXPECT_EQ(msg, "Error during decode");
  }
}

}  // namespace
}  // namespace bq
