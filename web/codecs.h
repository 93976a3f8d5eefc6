#pragma once
// Base64 / uuencode text for the HTTP client's authorisation header, and
// the URL decoder that Post applies to its data.
#include <functional>
#include <string>
#include <string_view>

namespace bq {

enum class UUMethods { uuMime = 0, uuCode = 1 };

class TUUProcessor {
 public:
  UUMethods Method = UUMethods::uuMime;
  std::function<void()> OnBeginEncode, OnEndEncode;

  // Encodes the whole input in lines of at most 45 input bytes, each ended
  // by CR LF; uuCode lines start with their length character and the output
  // ends with a zero-length line.
  std::string Encode(std::string_view input) const;
};

class TUrlDecoder {
 public:
  std::string InputString;
  // Message and the failing conversion's text.
  std::function<void(const std::string&, const std::string&)> OnError;

  // "+" becomes a blank, "%" and two hex digits that byte; a "%" without two
  // hex digits after it leaves the whole input unchanged.
  std::string Decode() const;
};

}  // namespace bq
