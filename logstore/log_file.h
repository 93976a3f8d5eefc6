#pragma once
// The line format of the article log kvllog.dat: one article per line, 14
// fields each followed by ',', CR LF at the end.
//   TOPIC, RESERVED, Unread, REFER, DATE   signed decimal / "1" "0"
//   TITLE, AUTHOR, MAILTO, HP, PAGEURL, BODY, HEAD, HOST, LINK   escaped texts
// Numbers are written signed: a DATE of 2^31 or more is written negative and
// reads back to the same bits. An empty number field reads as 0; missing
// trailing fields read as empty.
#include <string>
#include <string_view>

#include "logstore/data_info.h"

namespace bq {

inline constexpr std::string_view kLogFileName = "kvllog.dat";

// Appends the article's line; `link` is written in place of LINK (the caller
// passes it through the log-root path toggle).
void AppendLogLine(std::string& out, const TDataInfo& a, std::string_view link);
// Reads one line (without its line end) into a, leaving LINK as written.
// A non-numeric number field raises ConvertError.
void ParseLogLine(std::string_view line, TDataInfo& a);

}  // namespace bq
