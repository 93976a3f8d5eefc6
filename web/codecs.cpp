#include "web/codecs.h"

namespace bq {
namespace {

constexpr std::string_view kMime = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

char UUChar(int v) { return v == 0 ? '`' : static_cast<char>(0x20 + v); }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string TUUProcessor::Encode(std::string_view input) const {
  if (OnBeginEncode) OnBeginEncode();
  const bool mime = Method == UUMethods::uuMime;
  auto ch = [mime](int v) { return mime ? kMime[static_cast<size_t>(v)] : UUChar(v); };
  std::string out;
  out.reserve(input.size() / 3 * 4 + input.size() / 45 * 3 + 8);
  for (size_t pos = 0; pos < input.size(); pos += 45) {
    std::string_view line = input.substr(pos, 45);
    if (!mime) out.push_back(UUChar(static_cast<int>(line.size())));
    size_t i = 0;
    auto b = [&](size_t k) { return static_cast<unsigned char>(line[k]); };
    for (; i + 3 <= line.size(); i += 3) {
      out.push_back(ch(b(i) >> 2));
      out.push_back(ch(((b(i) & 3) << 4) | (b(i + 1) >> 4)));
      out.push_back(ch(((b(i + 1) & 15) << 2) | (b(i + 2) >> 6)));
      out.push_back(ch(b(i + 2) & 63));
    }
    if (line.size() - i == 2) {
      out.push_back(ch(b(i) >> 2));
      out.push_back(ch(((b(i) & 3) << 4) | (b(i + 1) >> 4)));
      out.push_back(ch((b(i + 1) & 15) << 2));
      if (mime) out.push_back('=');
    } else if (line.size() - i == 1) {
      out.push_back(ch(b(i) >> 2));
      out.push_back(ch((b(i) & 3) << 4));
      if (mime) out += "==";
    }
    out += "\r\n";
  }
  if (!mime) out += "`\r\n";
  if (OnEndEncode) OnEndEncode();
  return out;
}

std::string TUrlDecoder::Decode() const {
  const std::string& in = InputString;
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    char c = in[i];
    if (c == '+') {
      out.push_back(' ');
    } else if (c == '%') {
      int hi = i + 1 < in.size() ? HexValue(in[i + 1]) : -1;
      int lo = i + 2 < in.size() ? HexValue(in[i + 2]) : -1;
      if (hi < 0 || lo < 0) {
        if (OnError) OnError("Error during decode", "'%" + in.substr(i + 1, 2) + "' is not a valid hex value");
        return in;
      }
      out.push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace bq
