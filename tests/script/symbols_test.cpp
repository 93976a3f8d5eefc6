#include "script/symbols.h"

#include <gtest/gtest.h>

#include <string>

namespace bq::script {
namespace {

TEST(StringPool, IndexZeroIsEmptyAndIdenticalStringsShareAnIndex) {
  TStringPool pool;
  EXPECT_EQ(pool.Count(), 1);
  EXPECT_EQ(pool[0], "");
  EXPECT_EQ(pool.Add("abc"), 1);
  EXPECT_EQ(pool.Add("ABC"), 2);  // case-sensitive
  EXPECT_EQ(pool.Add("abc"), 1);
  EXPECT_EQ(pool.Add(""), 0);
  EXPECT_EQ(pool[99], "");
  for (int i = 0; i < 1000; ++i) pool.Add(std::to_string(i) + "s");
  EXPECT_EQ(pool.Add("500s"), 503);
  pool.Reset();
  EXPECT_EQ(pool.Count(), 1);
  EXPECT_EQ(pool.Find("abc"), -1);
}

TEST(SymbolTable, SystemVariablesComeFirstInTheirSlots) {
  TSymbolTable t;
  EXPECT_EQ(t.Count(), 18);
  EXPECT_EQ(t.SlotCount(), 18);
  EXPECT_EQ(t.FindValue("_", Kinds(sym::kVariable), 0), 0);
  EXPECT_EQ(t.FindValue("^", Kinds(sym::kVariable), 0), 6);
  EXPECT_EQ(t.FindValue("%URL%", Kinds(sym::kVariable), 0), 7);
  EXPECT_EQ(t.FindValue("%REFERER%", Kinds(sym::kVariable), 0), 17);
  EXPECT_EQ(t[0].Scope, -1);
}

TEST(SymbolTable, AddTwiceReturnsTheFirstValueAndUpperCases) {
  TSymbolTable t;
  TStringPool pool;
  EXPECT_EQ(t.Add("abc", sym::kVariable, 0, 0, pool), 18);
  EXPECT_EQ(t.Add("ABC", sym::kVariable, 0, 0, pool), 18);
  EXPECT_EQ(t.Add("def", sym::kVariable, 0, 0, pool), 19);
  // Same name, other kind: a separate entry.
  EXPECT_EQ(t.Add("abc", sym::kFunction, 0, 77, pool), 77);
  EXPECT_EQ(t.Add("Abc", sym::kFunction, 0, 99, pool), 77);
  EXPECT_EQ(t.FindValue("ABC", Kinds(sym::kFunction, sym::kProcedure), 0), 77);
  EXPECT_EQ(t.Find("ABC", Kinds(sym::kVariable), 0), 18);
  EXPECT_EQ(t.Find("abc", Kinds(sym::kVariable), 0), -1);  // lookups take upper-cased names
  // A clip pattern's value is the pool index of its upper-cased name.
  std::int32_t v = t.Add("rec", sym::kClipPattern, -1, 0, pool);
  EXPECT_EQ(pool[v], "REC");
  EXPECT_EQ(t.Find("REC", Kinds(sym::kClipPattern), 0), t.Count() - 1);  // scope -1 matches any
  EXPECT_EQ(*t.VariableName(19), "DEF");
  EXPECT_EQ(t.VariableName(20), nullptr);
  EXPECT_EQ(t.FindByValue(Kinds(sym::kFunction), 77), 20);
}

TEST(SymbolTable, ScopeZeroEntriesAreNotFoundFromOtherScopes) {
  TSymbolTable t;
  TStringPool pool;
  t.Add("p", sym::kProcedure, 0, 5, pool);
  EXPECT_EQ(t.Find("P", Kinds(sym::kProcedure), 3), -1);
  EXPECT_GE(t.Find("P", Kinds(sym::kProcedure), 0), 0);
}

TEST(SymbolTable, DoubleByteNamesAreNotCasedInTheirTrailBytes) {
  TSymbolTable t;
  TStringPool pool;
  // 0x83 0x61 ("ソ"-like pair with an ASCII 'a' trail byte) must stay as is.
  std::int32_t slot = t.Add("\x83" "a", sym::kVariable, 0, 0, pool);
  EXPECT_EQ(*t.VariableName(slot), "\x83" "a");
}

}  // namespace
}  // namespace bq::script
