#pragma once
// The two comma formats of the system.
//
// The record line stores one record of the system's own files per line: every
// field followed by ',' (the last one too), texts escaped so that any text
// fits on one line:
//   tab -> \t, LF -> \n, CR dropped, '\' -> '\\', '"' -> '""';
//   a field holding a blank or a comma is enclosed in double quotes;
//   a broken double-byte pair is written as "??".
// Reading a field: blanks skipped, then up to the next ',' or the line end;
// '"' opens a quoted section (',' ordinary inside), '""' stands for '"'.
//
// The comma text is what scripts split and join (CSV, SHIFTCSV, SORTCSV,
// @CSV): blanks and commas both separate fields, quoted fields keep theirs.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "textlib/error.h"

namespace bq {

// A number field holds something else; the message names the field.
class ConvertError : public Exception {
 public:
  using Exception::Exception;
};
// A list index is out of range.
class ListIndexError : public Exception {
 public:
  using Exception::Exception;
};

// The written form of a text field, and the text back from it.
std::string CsvEscape(std::string_view text);
std::string CsvUnescape(std::string_view written);
void CsvUnescapeInto(std::string_view written, std::string& out);

// Reads a signed 32-bit decimal number ("-5", "4294967295" is out of range);
// an empty text gives 0; anything else raises ConvertError "'%s' は整数ではありません".
std::int32_t ParseRecordInteger(std::string_view field);
// The lenient reader: an optional '-', then digits up to the first other
// byte; nothing readable gives 0. The magnitude saturates at 0xFFFFFFFF so
// unsigned 32-bit values read whole; callers cast to the width they store.
std::int64_t LenientInteger(std::string_view text);

// Reads record lines out of a text held by the caller.
class TCommaFile {
 public:
  explicit TCommaFile(std::string_view data = {}) : data_(data) {}
  // Takes the next line (LF or CR LF ended); false at the end of the text.
  bool ReadLine();
  // Makes line the current line, read position at its start.
  void SetLine(std::string_view line);
  std::string_view Line() const { return line_; }
  // True once every field of the current line has been read.
  bool AtEnd() const { return pos_ >= line_.size(); }
  // The next field, quoting removed, still escaped; empty once the line is used up.
  std::string ReadField();
  void ReadFieldInto(std::string& out);
  std::int32_t ReadInteger();
  bool ReadBoolean();
  std::string ReadText();
  void ReadTextInto(std::string& out, std::string& scratch);

 private:
  std::string_view data_;
  std::size_t next_ = 0;
  std::string_view line_;
  std::size_t pos_ = 0;
};

// A record built or taken apart in memory. Fields are held escaped, without
// the quoting of the line form, which Line() adds.
class TStringCSV {
 public:
  void AddText(std::string_view text);
  void AddInteger(std::int64_t value);
  void AddBoolean(bool value) { fields_.emplace_back(value ? "1" : "0"); }
  // Splits a record line into its fields.
  void SetLine(std::string_view line);
  // Every field, quoted where needed, each followed by ','; no line end.
  std::string Line() const;
  void AppendLine(std::string& out) const;
  void Clear() { fields_.clear(); }
  int Count() const { return static_cast<int>(fields_.size()); }
  // Empty when index is out of range.
  std::string Field(int index) const;
  std::string Text(int index) const;
  bool Boolean(int index) const;
  // Lenient: optional '-' and digits; 0 when there are none.
  std::int64_t Integer(int index) const;

 private:
  std::vector<std::string> fields_;
};

// The same reading rules working in place, for a whole file decoded where it
// stands. TakeFieldInPlace reads the field at pos of the line [line, line+n)
// as TCommaFile::ReadField does and moves its bytes, without their quoting,
// to dst, which must lie at or before line + pos; it returns their length
// and leaves pos after the field's comma. CsvUnescapeInPlace decodes the
// escapes of text as CsvUnescape does and returns the decoded length.
std::size_t TakeFieldInPlace(char* line, std::size_t n, std::size_t& pos, char* dst);
std::size_t CsvUnescapeInPlace(char* text, std::size_t size);

// Appends one text field in its written form followed by ','.
void AppendCsvText(std::string& out, std::string_view text);

// Comma text: the scripts' CSV, SHIFTCSV, SORTCSV and @CSV, and the lists
// of the settings file (fonts, placements, history, proxy server lists).
//
// Split, the forms read (the text ends at a NUL byte):
//   a,b,c   a b  c     fields separated by commas, or by bytes 0x01-0x20
//   "a, b",c           a quoted field keeps its commas and blanks
//   "say ""hi"""       a doubled quote inside quotes stands for one quote
//   "open              a missing closing quote runs to the end
//   a,,b               two commas in a row give an empty field
//   a,                 a comma that is the text's last byte ends the text,
//                      or with FinalComma::AddsEmptyItem adds an empty field
// A lead byte takes its trail byte with it, so a trail byte is never taken
// for a separator; a lead byte before a non-trail byte stands alone.
//
// The final-comma rule is the one difference between the two users: the
// settings file follows the newer string-list rule ("206,183,," is four
// items, and a list written with a last empty item reads back whole), the
// scripts the older one.
enum class FinalComma { EndsText, AddsEmptyItem };
std::vector<std::string> CommaSplit(std::string_view text, FinalComma finalComma = FinalComma::EndsText);
// Fields holding a byte below 0x21, a quote or a comma are quoted with inner
// quotes doubled; a single empty field is written as "".
std::string CommaJoin(const std::vector<std::string>& fields);
// CSV(text, index): the empty text past the end; a negative index raises
// ListIndexError "リストのインデックスが範囲を超えています (%d)".
std::string CommaField(std::string_view text, int index);
// SHIFTCSV(text, n): the fields after the first n, joined again.
std::string CommaShift(std::string_view text, int n = 1);

}  // namespace bq
