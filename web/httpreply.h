#pragma once
// Reading the status line and header lines of an HTTP reply.
//
// Accepted forms:
//   HTTP/1.0 200 OK\r\n          status = the second blank-separated field
//   HTTP/1.1 404\r\n             no reason phrase: still 404
//   HTTP/1.0 abc                 not a number: 0
//   Set-Cookie: a=b; Path=/      cookie "a=b" (attributes are not sent back);
//                                every whole value is also kept for a cookie jar
//   Retry-After: 2               how long a 429 or 503 asks the client to wait
//   Location: /next              the address of a redirect
//   Content-Length: 123          the announced body size
//   Transfer-Encoding: chunked   the body comes in chunks
//   Content-Type: text/html; charset=EUC-JP
//   Last-Modified: <date>, Date: <date>
//   ETag: "v1"                   the validator a conditional request sends back
// Names are matched without regard to case, only as the first field of the
// line and only when a blank follows the colon. Other lines are kept only in
// the header text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bq {

struct TReplyInfo {
  int status = 0;
  std::string cookie;
  std::vector<std::string> setCookies;  // every Set-Cookie value, whole
  std::string retryAfter;
  std::string location;
  bool hasLocation = false;
  std::int64_t contentLength = 0;
  bool hasContentLength = false;
  bool chunked = false;
  std::string charset;
  std::string contentType;  // the whole Content-Type value
  std::string lastModified, date;
  std::string etag;
};

// The status code of a status line (0 when the second field is no number).
int ParseStatusCode(std::string_view line);
// Takes what the line says into info.
void ParseHeaderLine(std::string_view line, TReplyInfo& info);
// "\n", "\r\n" or empty: the end of the header.
bool IsHeaderEnd(std::string_view line);
// The value of the first line of header that begins with name (no case),
// trimmed; empty when there is none.
std::string HeaderValue(std::string_view header, std::string_view name);

}  // namespace bq
