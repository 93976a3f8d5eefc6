#pragma once
// Undoes "Transfer-Encoding: chunked" as the bytes arrive, for servers that
// send it even to an HTTP/1.0 request.
//
// Accepted form:
//   <hex size>[;extension]CRLF <size bytes> CRLF ... 0 CRLF [trailer lines] CRLF
// A bare LF is accepted wherever CR LF is. A size line longer than its limit,
// a size that is no hex number or too big, or data not followed by a line
// end makes the body malformed; bytes after the last chunk are ignored.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace bq {

class TDechunker {
 public:
  using Sink = std::function<void(const char*, size_t)>;
  explicit TDechunker(Sink sink) : sink_(std::move(sink)) {}

  // Feeds received bytes; false once the body is malformed.
  bool Feed(const char* data, size_t n);
  bool Done() const { return state_ == kDone; }
  bool Failed() const { return state_ == kFailed; }

 private:
  enum State { kSize, kData, kDataEnd, kTrailer, kDone, kFailed };
  bool EndSizeLine();

  Sink sink_;
  State state_ = kSize;
  std::string line_;
  std::uint64_t left_ = 0;
};

}  // namespace bq
