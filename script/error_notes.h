#pragma once
// What a front end adds around a compile error so the user finds the fault:
// the place in the file (1-based line, the line's text, the span to mark), a
// hint when a taken name was used as a variable, and the refusal of a script
// file saved in UTF-8. The error text itself is left exactly as the compiler
// worded it. Text in and out is Shift_JIS.
#include <cstddef>
#include <string>
#include <string_view>

namespace bq::script {

struct SourcePlace {
  int line = 1;            // 1-based line of the file
  std::string text;        // that line, without its line break
  std::size_t column = 0;  // byte offset of the mark in text
  std::size_t width = 1;   // bytes to mark (at least 1)
};

// The place of the error span (ErrorStart, ErrorLength) in source. An error
// at the end of the text (a missing END, a cut expression) is placed just
// after the last character that is not a blank, so a file with and without a
// final line break shows the same line.
SourcePlace ErrorPlace(std::string_view source, std::size_t start, std::size_t length);

// "HREF は組み込み関数の名前です" when the token at the error is a builtin
// name, "END は予約語です" when a keyword stands where a variable was needed;
// empty otherwise. message is the compiler's message (after "行目:").
std::string TakenNameHint(std::string_view source, std::size_t start, std::string_view message);

// The message part of a compile error text (after "行目:"); the whole text
// when it has no such part.
std::string_view CompileErrorMessage(std::string_view errorText);

// Empty for a script file that may be compiled. For text that is valid UTF-8
// holding multi-byte characters (a script saved from a UTF-8 editor, whose
// Japanese the Shift_JIS lexer would misread) one line naming the file and
// how to convert it.
std::string Utf8ScriptError(std::string_view raw, std::string_view fileName);

}  // namespace bq::script
