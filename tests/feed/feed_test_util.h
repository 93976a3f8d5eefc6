#pragma once
// Feeds written in UTF-8 by the tests and stored in the code they declare.
#include <iconv.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace bq::test {

// utf8 in another code ("EUC-JP", "SHIFT_JIS", ...), by iconv.
inline std::string Encode(std::string_view utf8, const char* code) {
  iconv_t cd = iconv_open(code, "UTF-8");
  std::string out(utf8.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  char* o = out.data();
  size_t il = utf8.size(), ol = out.size();
  const size_t done = iconv(cd, &in, &il, &o, &ol);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) throw std::runtime_error("a test text has no form in " + std::string(code));
  out.resize(out.size() - ol);
  return out;
}

}  // namespace bq::test
