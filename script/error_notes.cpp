#include "script/error_notes.h"

#include <algorithm>

#include "script/lexer.h"
#include "script/messages.h"
#include "script/tables.h"
#include "textlib/cp932.h"
#include "textlib/kanji.h"

namespace bq::script {

namespace {

bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Line breaks before pos: a CR LF pair, a lone CR or a lone LF each end one
// line. Trail bytes are skipped so a 0x0D/0x0A never hides in a pair (they
// cannot, but the scan stays Shift_JIS-aware like every other).
int LinesBefore(std::string_view s, std::size_t pos) {
  int lines = 0;
  for (std::size_t i = 0; i < pos; ++i) {
    if (IsLeadByte(static_cast<unsigned char>(s[i]))) {
      ++i;
    } else if (s[i] == '\n' || (s[i] == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n'))) {
      ++lines;
    }
  }
  return lines;
}

// The identifier at pos, as the lexer reads one (with its lead bytes).
std::string_view WordAt(std::string_view s, std::size_t pos) {
  std::size_t end = pos;
  if (end >= s.size() || !IsIdentStart(static_cast<unsigned char>(s[end]))) return {};
  while (end < s.size() && IsIdentPart(static_cast<unsigned char>(s[end])))
    end += IsLeadByte(static_cast<unsigned char>(s[end])) && end + 1 < s.size() ? 2 : 1;
  return s.substr(pos, end - pos);
}

bool NeedsVariable(std::string_view message) {
  return message == msg::kVariableNeeded || message == msg::kVariableNeededBang ||
         message == msg::kWriteVariable;
}

// は組み込み関数の名前です / は予約語です
constexpr char kIsBuiltinName[] =
    " \x82\xcd\x91\x67\x82\xdd\x8d\x9e\x82\xdd\x8a\xd6\x90\x94\x82\xcc\x96\xbc\x91\x4f\x82\xc5\x82\xb7";
constexpr char kIsKeyword[] = " \x82\xcd\x97\x5c\x96\xf1\x8c\xea\x82\xc5\x82\xb7";

// The word at start stands where a value is written: before ":=", or as a
// clip template's capture "${NAME}".
bool WrittenTo(std::string_view s, std::size_t start, std::size_t length) {
  std::size_t after = start + length;
  while (after < s.size() && IsBlankByte(s[after])) ++after;
  if (s.substr(after, 2) == ":=") return true;
  return start >= 2 && s.substr(start - 2, 2) == "${";
}

}  // namespace

SourcePlace ErrorPlace(std::string_view source, std::size_t start, std::size_t length) {
  start = std::min(start, source.size());
  std::size_t stop = std::min(start + length, source.size());
  while (stop > start && IsBlankByte(source[stop - 1])) --stop;
  if (stop == start) {
    // Nothing to mark here: point just after the text that came before.
    std::size_t back = start;
    while (back > 0 && IsBlankByte(source[back - 1])) --back;
    if (back < start && (start >= source.size() || IsBlankByte(source[start]))) start = back;
    stop = start;
  }
  SourcePlace p;
  std::size_t begin = start == 0 ? 0 : source.find_last_of("\r\n", start - 1);
  begin = (begin == std::string_view::npos || start == 0) ? 0 : begin + 1;
  std::size_t end = source.find_first_of("\r\n", start);
  if (end == std::string_view::npos) end = source.size();
  p.line = LinesBefore(source, begin) + 1;
  p.text = std::string(source.substr(begin, end - begin));
  p.column = start - begin;
  p.width = std::max<std::size_t>(std::min(stop, end) - start, 1);
  return p;
}

std::string TakenNameHint(std::string_view source, std::size_t start, std::string_view message) {
  start = std::min(start, source.size());
  std::string_view word = WordAt(source, start);
  std::string upper;
  UpperAscii(word, upper);
  if (upper.empty()) return {};
  // A builtin called in a wrong way is no taken name: only a builtin used as
  // a variable or a capture is named.
  bool asVariable = NeedsVariable(message) || WrittenTo(source, start, word.size());
  if (BuiltinCodeOf(upper) != 0 && asVariable) return upper + kIsBuiltinName;
  if (KeywordCode(upper) != 0 && NeedsVariable(message)) return upper + kIsKeyword;
  return {};
}

std::string_view CompileErrorMessage(std::string_view errorText) {
  std::size_t at = errorText.find(msg::kLineSuffix);
  if (at == std::string_view::npos) return errorText;
  return errorText.substr(at + std::string_view(msg::kLineSuffix).size());
}

std::string Utf8ScriptError(std::string_view raw, std::string_view fileName) {
  if (!IsUtf8Text(raw)) return {};
  std::string name(fileName);
  return name +
         ": the script is saved in UTF-8, but scripts are Shift_JIS text; convert it with: iconv -f UTF-8 -t "
         "CP932 " +
         name + " > converted.pss";
}

}  // namespace bq::script
