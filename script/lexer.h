#pragma once
// The script lexer: turns Shift_JIS script text into tokens for the one-pass
// compiler. A token is one of the codes of tables.h, with its text as written.
//
// Token forms, tried in this order at a token start (after blanks, and the
// comments "# ...", "// ..." to the line end and "(* ... *)"):
//   >= <= <> << >> := != ..           two-character operators (kOperators)
//   :: :                              double colon, colon
//   $digits $# $%                     parameter reference (10)
//   $_ $@ $! $$ $* $? $^              system variable of that character (6)
//   %NAME%                            percent-framed identifier (6)
//   'text' "text"                     literals; \' (or \") gives the quote
//   = , + - * / ; { } ( ) [ ] < > .   single characters (kSingleChars)
//   digits                            decimal number (7)
//   identifier                        keyword, builtin (13), call name (12),
//                                     array name (11) or identifier (6)
//   anything else                     code 0 with that byte; end of text: code 0, empty
#include <cstdint>
#include <string>
#include <string_view>

#include "script/symbols.h"

namespace bq::script {

// Where a token was read; enough to report an error at it later.
struct TokenMark {
  const char* start = nullptr;
  const char* cursor = nullptr;
  std::int32_t line = 0;
};

class TLexer {
 public:
  explicit TLexer(const TSymbolTable& symbols) : symbols_(&symbols) {
    TokenText.reserve(64);
    Upper.reserve(64);
  }

  // Makes text the source (it ends at its first 0 byte) with Line 1.
  void SetSource(std::string_view text);
  void NextToken();

  // Re-derives Line from the CR bytes before the cursor, as the program
  // header ends. TokenLine counts the CRs before the token itself, since the
  // cursor may already be past the line breaks after it.
  void RederiveLineFromCR();
  // Counts LFs in [from, to) into Line (used when text is skipped whole).
  void CountLines(const char* from, const char* to);

  bool AtEnd() const { return Token == 0 && TokenText.empty(); }
  // The next byte after blanks from the cursor, without consuming (0 at the end).
  char PeekAfterBlanks() const;
  char PeekByte() const { return Cursor < End ? *Cursor : '\0'; }
  TokenMark Mark() const { return TokenMark{TokenStart, Cursor, TokenLine}; }
  // The upper-cased token text (ASCII letters only; trail bytes untouched).
  const std::string& UpperText();

  const char* SourceStart = nullptr;
  const char* Cursor = nullptr;
  const char* End = nullptr;
  std::int32_t Line = 1;
  const char* TokenStart = nullptr;
  std::int32_t TokenLine = 0;
  std::uint8_t Token = 0;
  std::string TokenText;
  std::uint8_t BuiltinCode = 0;
  bool Including = false;
  std::string Upper;

 private:
  void SkipBlanksAndComments();
  bool SkipComment();
  void SkipBlanks();
  void ReadIdentifier(std::string& out);
  void ReadString(char quote);
  void ReadDollar();
  void ReadPercent();
  void ClassifyIdentifier();
  bool TryOperator();

  const TSymbolTable* symbols_;
  bool upperValid_ = false;
};

bool IsIdentStart(unsigned char c);
bool IsIdentPart(unsigned char c);
void UpperAscii(std::string_view in, std::string& out);

}  // namespace bq::script
