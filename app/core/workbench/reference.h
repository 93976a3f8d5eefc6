#pragma once
// The script language reference for users, in Japanese: every builtin of the
// compiler's name table, every keyword, the pattern language, clip
// templates, iterators, template and predefined variables. The HTML is
// generated from these entries and the compiler's own tables, so a builtin
// the compiler knows cannot be missing; every example is a runnable script
// body whose stated result the tests check.
//
// Texts here are UTF-8: the reference is written for a browser, at the edge
// of the system.
#include <string>
#include <string_view>
#include <vector>

namespace bq::app {

struct ReferenceEntry {
  std::string_view name;     // builtin name, or the keywords of a statement ("IF THEN ELSIF ELSE")
  std::string_view kind;     // 手続き / 関数 / 条件 / システム値 / 列挙子 / 文 / 演算子 / 予約語
  std::string_view form;     // how it is written
  std::string_view result;   // its value ("—" when none)
  std::string_view effects;  // what it leaves in _, @, !, ^ or elsewhere
  std::string_view summary;  // what it does
  std::string_view example;  // statements between BEGIN and END (may be empty)
  std::string_view check;    // the variable the example's result is read from
  std::string_view expected; // its text after the example ran
  std::string_view decls = {};  // declarations before BEGIN (clip templates)
};

// One entry per builtin name of the compiler's table (URLTOLOCAL excepted).
const std::vector<ReferenceEntry>& BuiltinReference();
// The statements and operators; together they name every keyword.
const std::vector<ReferenceEntry>& StatementReference();
const ReferenceEntry* FindBuiltinEntry(std::string_view upperName);
const ReferenceEntry* FindKeywordEntry(std::string_view upperKeyword);

// The keywords and the builtin names of the compiler's tables, as the
// editor colours them.
std::vector<std::string_view> ScriptKeywords();
std::vector<std::string_view> ScriptBuiltinNames();

// The HTML anchor of a word of the editor ("b-GET", "k-FOR"), empty when the
// word is neither a builtin nor a keyword.
std::string ReferenceAnchor(std::string_view word);

// Text made safe to stand in HTML: < > & " as entities.
std::string HtmlEscape(std::string_view s);

// The whole reference as one HTML page (UTF-8).
std::string ReferenceHtml();

// The page every example is run against (served at %URL% by the tests), as
// shown in the reference.
std::string_view ReferenceSamplePage();

}  // namespace bq::app
