#include "script/value.h"

#include <gtest/gtest.h>

#include "textlib/cp932.h"

namespace bq::script {
namespace {

TEST(ScriptValue, TextToNumberFollowsTheNumberRule) {
  EXPECT_EQ(TextToNumber("  42 "), 42);
  EXPECT_EQ(TextToNumber("-7"), -7);
  EXPECT_EQ(TextToNumber(""), 0);
  EXPECT_EQ(TextToNumber("12a"), 0);
  EXPECT_EQ(TextToNumber("+5"), 0);
  EXPECT_EQ(TextToNumber("4294967297"), 1);  // low 32 bits
  EXPECT_EQ(TextToNumber("18446744073709551615"), -1);
}

TEST(ScriptValue, LoneMinusAndHugeNumbersRaiseTheConversionError) {
  for (const char* bad : {"-", " - ", "18446744073709551616", "99999999999999999999999"}) {
    try {
      TextToNumber(bad);
      ADD_FAILURE() << bad;
    } catch (const EConvertError& e) {
      EXPECT_EQ(SjisToUtf8(e.what()), std::string("'") + bad + "' は整数ではありません");
    }
  }
}

TEST(ScriptValue, ConversionsKeepTheOtherField) {
  TScriptValue v = TScriptValue::Text("12");
  v.ToInteger();
  EXPECT_EQ(v.Kind, kind::kInteger);
  EXPECT_EQ(v.Int, 12);
  EXPECT_EQ(v.Str, "12");
  v.Int = 5;
  v.ToText();
  EXPECT_EQ(v.Str, "5");
  EXPECT_EQ(v.Int, 5);
  TScriptValue link = TScriptValue::Link(9);
  link.ToText();
  EXPECT_EQ(link.Str, "9");
  TScriptValue empty;
  empty.ToText();
  EXPECT_EQ(empty.Kind, kind::kString);
  EXPECT_EQ(empty.Str, "");
}

TEST(ScriptValue, ResultKindRules) {
  EXPECT_EQ(ResultKind(kind::kEmpty, kind::kString, 1), kind::kString);
  EXPECT_EQ(ResultKind(kind::kInteger, kind::kEmpty, 2), kind::kInteger);
  EXPECT_EQ(ResultKind(kind::kString, kind::kString, 1), kind::kString);
  EXPECT_EQ(ResultKind(kind::kLink, kind::kInteger, 2), kind::kInteger);
  EXPECT_EQ(ResultKind(kind::kString, kind::kInteger, 2), kind::kString);  // ADD joins text
  EXPECT_EQ(ResultKind(kind::kString, kind::kInteger, 1), kind::kInteger);
}

}  // namespace
}  // namespace bq::script
