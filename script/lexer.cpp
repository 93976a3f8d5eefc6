#include "script/lexer.h"

#include <cstring>

#include "script/tables.h"
#include "textlib/cp932.h"

namespace bq::script {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char UpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

bool IsIdentStart(unsigned char c) {
  return c == '@' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsLeadByte(c);
}
bool IsIdentPart(unsigned char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

void UpperAscii(std::string_view in, std::string& out) {
  out.assign(in);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(out[i]))) {
      ++i;  // the trail byte is part of a double-byte character
    } else {
      out[i] = UpperChar(out[i]);
    }
  }
}

void TLexer::SetSource(std::string_view text) {
  const void* nul = std::memchr(text.data(), 0, text.size());
  std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()) : text.size();
  SourceStart = text.data();
  Cursor = SourceStart;
  End = SourceStart + n;
  TokenStart = Cursor;
  Line = 1;
  Token = 0;
  TokenText.clear();
}

const std::string& TLexer::UpperText() {
  if (!upperValid_) {
    UpperAscii(TokenText, Upper);
    upperValid_ = true;
  }
  return Upper;
}

char TLexer::PeekAfterBlanks() const {
  const char* p = Cursor;
  while (p < End && IsBlank(*p)) ++p;
  return p < End ? *p : '\0';
}

void TLexer::CountLines(const char* from, const char* to) {
  for (const char* p = from; p < to; ++p)
    if (*p == '\n') ++Line;
}

namespace {
// CR bytes in [from, to), double-byte characters passed over whole.
std::int32_t CountCR(const char* from, const char* to) {
  std::int32_t n = 0;
  for (const char* p = from; p < to; ++p) {
    if (IsLeadByte(static_cast<unsigned char>(*p))) {
      ++p;
    } else if (*p == '\r') {
      ++n;
    }
  }
  return n;
}
}  // namespace

void TLexer::RederiveLineFromCR() {
  Line = CountCR(SourceStart, Cursor);
  if (!Including) TokenLine = CountCR(SourceStart, TokenStart);
}

void TLexer::SkipBlanks() {
  while (Cursor < End && IsBlank(*Cursor)) {
    if (*Cursor == '\n') ++Line;
    ++Cursor;
  }
}

// comment -> '#' ... | '//' ... (to CR, LF or the end) | '(*' ... '*)'
bool TLexer::SkipComment() {
  if (Cursor >= End) return false;
  char c = *Cursor;
  if (c == '#' || (c == '/' && Cursor + 1 < End && Cursor[1] == '/')) {
    while (Cursor < End && *Cursor != '\r' && *Cursor != '\n') ++Cursor;
    return true;
  }
  if (c == '(' && Cursor + 1 < End && Cursor[1] == '*') {
    Cursor += 2;
    while (Cursor < End && !(*Cursor == '*' && Cursor + 1 < End && Cursor[1] == ')')) {
      if (*Cursor == '\n') ++Line;
      ++Cursor;
    }
    Cursor = Cursor < End ? Cursor + 2 : End;
    return true;
  }
  return false;
}

void TLexer::SkipBlanksAndComments() {
  do {
    SkipBlanks();
  } while (SkipComment());
}

void TLexer::ReadIdentifier(std::string& out) {
  const char* start = Cursor;
  while (Cursor < End && IsIdentPart(static_cast<unsigned char>(*Cursor))) {
    if (IsLeadByte(static_cast<unsigned char>(*Cursor)) && Cursor + 1 < End) ++Cursor;
    ++Cursor;
  }
  out.append(start, static_cast<std::size_t>(Cursor - start));
  SkipBlanks();
}

// string -> quote { lead trail | '\' quote | byte } [quote]
void TLexer::ReadString(char quote) {
  Token = quote == '\'' ? tok::kSingleQuoted : tok::kDoubleQuoted;
  ++Cursor;
  while (Cursor < End && *Cursor != quote) {
    char c = *Cursor;
    if (IsLeadByte(static_cast<unsigned char>(c)) && Cursor + 1 < End) {
      TokenText.append(Cursor, 2);
      Cursor += 2;
      continue;
    }
    if (c == '\\' && Cursor + 1 < End && Cursor[1] == quote) {
      TokenText.push_back(quote);
      Cursor += 2;
      continue;
    }
    if (c == '\n') ++Line;
    TokenText.push_back(c);
    ++Cursor;
  }
  if (Cursor < End) ++Cursor;  // the closing quote
}

// dollar -> '$' digits | '$#' | '$%' | '$' one of _@!$*?^ | '$'
void TLexer::ReadDollar() {
  char next = Cursor + 1 < End ? Cursor[1] : '\0';
  if (IsDigit(next)) {
    ++Cursor;
    while (Cursor < End && IsDigit(*Cursor)) TokenText.push_back(*Cursor++);
    Token = tok::kParam;
  } else if (next == '#' || next == '%') {
    TokenText.push_back(next);
    Cursor += 2;
    Token = tok::kParam;
  } else if (next != '\0' && std::strchr("_@!$*?^", next)) {
    TokenText.push_back(next);
    Cursor += 2;
    Token = tok::kIdent;
  } else {
    TokenText.push_back('$');
    ++Cursor;
    Token = tok::kOther;
  }
}

// percent -> '%' identifier '%' | '%'
void TLexer::ReadPercent() {
  const char* save = Cursor;
  std::int32_t saveLine = Line;
  ++Cursor;
  if (Cursor < End && IsIdentStart(static_cast<unsigned char>(*Cursor))) {
    TokenText.push_back('%');
    ReadIdentifier(TokenText);
    if (Cursor < End && *Cursor == '%') {
      ++Cursor;
      TokenText.push_back('%');
      Token = tok::kIdent;
      return;
    }
  }
  Cursor = save + 1;
  Line = saveLine;
  TokenText.clear();
  TokenText.push_back('%');
  Token = tok::kOther;
}

bool TLexer::TryOperator() {
  if (Cursor + 1 >= End) return false;
  for (const NamedCode& op : kOperators) {
    if (UpperChar(Cursor[0]) == op.name[0] && UpperChar(Cursor[1]) == op.name[1]) {
      Token = op.code;
      TokenText.assign(op.name);
      Cursor += 2;
      return true;
    }
  }
  return false;
}

void TLexer::ClassifyIdentifier() {
  const std::string& upper = UpperText();
  if (std::uint8_t k = KeywordCode(upper)) {
    Token = k;
  } else if (std::uint8_t b = BuiltinCodeOf(upper)) {
    Token = tok::kBuiltin;
    BuiltinCode = b;
  } else if (PeekByte() == '(' ||
             symbols_->Find(upper, Kinds(sym::kFunction, sym::kProcedure), 0) >= 0) {
    Token = tok::kCallName;
  } else if (PeekByte() == '[') {
    Token = tok::kArrayName;
  } else {
    Token = tok::kIdent;
  }
}

void TLexer::NextToken() {
  Token = 0;
  TokenText.clear();
  BuiltinCode = 0;
  upperValid_ = false;
  SkipBlanksAndComments();
  TokenStart = Cursor;
  if (!Including) TokenLine = Line;
  if (Cursor >= End) return;
  if (TryOperator()) return;
  char c = *Cursor;
  std::size_t single = kSingleChars.find(c);
  if (single != std::string_view::npos) {
    switch (c) {
      case ':':
        if (Cursor + 1 < End && Cursor[1] == ':') {
          Token = tok::kDoubleColon;
          TokenText.assign("::");
          Cursor += 2;
          return;
        }
        break;
      case '$': return ReadDollar();
      case '%': return ReadPercent();
      case '\'':
      case '"': return ReadString(c);
      default: break;
    }
    Token = kSingleCharCodes[single];
    TokenText.push_back(c);
    ++Cursor;
    return;
  }
  if (IsDigit(c)) {
    while (Cursor < End && IsDigit(*Cursor)) TokenText.push_back(*Cursor++);
    Token = tok::kNumber;
    return;
  }
  if (!IsIdentStart(static_cast<unsigned char>(c))) {
    TokenText.push_back(c);
    ++Cursor;
    return;
  }
  ReadIdentifier(TokenText);
  ClassifyIdentifier();
}

}  // namespace bq::script
