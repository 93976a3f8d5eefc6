#pragma once
// The line format of the article log kvllog.dat: one article per line, 14
// fields each followed by ',', CR LF at the end.
//   TOPIC, RESERVED, Unread, REFER, DATE   signed decimal / "1" "0"
//   TITLE, AUTHOR, MAILTO, HP, PAGEURL, BODY, HEAD, HOST, LINK   escaped texts
// Numbers are written signed: a DATE of 2^31 or more is written negative and
// reads back to the same bits. An empty number field reads as 0; missing
// trailing fields read as empty; empty lines are skipped.
//
// A log is read by decoding the file's bytes where they stand: every line's
// nine texts end up back to back at the front of the buffer (decoding never
// makes text longer), so a loaded log is one block of text and a small
// record per article, with no string of its own per field.
#include <cstdint>
#include <string>
#include <string_view>

#include "logstore/data_info.h"

namespace bq {

inline constexpr std::string_view kLogFileName = "kvllog.dat";

// Appends the article's line; `link` is written in place of LINK (the caller
// passes it through the log-root path toggle).
void AppendLogLine(std::string& out, const ArticleView& a, std::string_view link);
void AppendLogLine(std::string& out, const TDataInfo& a, std::string_view link);
// Reads one line (without its line end) into a, leaving LINK as written.
// A non-numeric number field raises ConvertError.
void ParseLogLine(std::string_view line, TDataInfo& a);

// One line decoded in place: its numbers, and its nine texts back to back
// from `text` (field f is [text + end[f-1], text + end[f]), end[-1] = 0).
struct DecodedLine {
  std::int32_t TOPIC = 0, RESERVED = 0, REFER = 0;
  std::uint32_t DATE = 0;
  bool Unread = false;
  char* text = nullptr;
  std::uint32_t end[kTextFields] = {};
  // Bytes from `text` up to here belonged to this line and may be written.
  char* room = nullptr;
};

// Decodes a whole log file in its own buffer, line by line.
class LogDecoder {
 public:
  LogDecoder(char* data, std::size_t size) : data_(data), size_(size), write_(data) {}
  // The next non-empty line; false at the end. A non-numeric number raises
  // ConvertError; the lines before it were delivered.
  bool Next(DecodedLine& line);
  // Where the decoded texts end; a caller that rewrote the last line's LINK
  // in its room moves it.
  char* WriteEnd() const { return write_; }
  void SetWriteEnd(char* end) { write_ = end; }

 private:
  char* data_;
  std::size_t size_;
  std::size_t next_ = 0;
  char* write_;
};

// The unread articles of a log file's bytes, decoded in place as a load
// decodes them; a line a load would stop at ends the count there.
int CountUnread(char* data, std::size_t size);

}  // namespace bq
