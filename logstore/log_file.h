#pragma once
// The line format of the article log kvllog.dat: one article per line, 14
// fields each followed by ',', CR LF at the end.
//   TOPIC, RESERVED, Unread, REFER, DATE   signed decimal / "1" "0"
//   TITLE, AUTHOR, MAILTO, HP, PAGEURL, BODY, HEAD, HOST, LINK   escaped texts
// Numbers are written signed: a DATE of 2^31 or more is written negative and
// reads back to the same bits. An empty number field reads as 0; missing
// trailing fields read as empty; empty lines are skipped.
//
// A log is read in two steps. Loading splits the file's bytes into lines
// and reads each line's numbers, leaving its texts as written; a line's
// texts are decoded where they stand the first time one of them is read
// (decoding never makes text longer), the nine of them back to back. So a
// folder opened to be listed decodes the few articles it shows, and a
// loaded log is one block of bytes and a small record per article.
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

// One line as loading leaves it: its numbers, and its texts as written
// (the bytes from the first text field to the line end, CR LF excluded).
struct LogLine {
  std::int32_t TOPIC = 0, RESERVED = 0, REFER = 0;
  std::uint32_t DATE = 0;
  bool Unread = false;
  char* texts = nullptr;
  std::uint32_t textBytes = 0;
};

// Reads a whole log file line by line, in its own buffer: only the bytes of
// a quoted number field are ever moved (within their own field).
class LogLineReader {
 public:
  LogLineReader(char* data, std::size_t size) : data_(data), size_(size) {}
  // The next non-empty line; false at the end. A non-numeric number raises
  // ConvertError; the lines before it were delivered.
  bool Next(LogLine& line);
  // Where the next line starts (the bytes before it were read).
  std::size_t Offset() const { return next_; }

 private:
  char* data_;
  std::size_t size_;
  std::size_t next_ = 0;
};

// The unread articles of a log file's bytes, read as a load reads them (the
// numbers only); a line a load would stop at ends the count there.
int CountUnread(char* data, std::size_t size);

// Decodes a line's texts where they stand: the nine fields end up back to
// back from texts, field f at [texts + end[f-1], texts + end[f]) (end[-1] = 0).
void DecodeTextsInPlace(char* texts, std::size_t bytes, std::uint32_t (&end)[kTextFields]);

}  // namespace bq
