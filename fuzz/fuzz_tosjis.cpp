// Page conversion to Shift_JIS on arbitrary bytes. The first byte chooses
// whether a Content-Type header (the text up to the first line feed) is passed.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "textlib/cp932.h"
#include "textlib/kanji.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  std::string_view header;
  if (!in.empty() && (in[0] & 1)) {
    std::size_t nl = in.find('\n');
    if (nl != std::string_view::npos) {
      header = in.substr(1, nl - 1);
      in.remove_prefix(nl + 1);
    }
  }
  std::string out = bq::ToSjis(in, header);
  bool sevenBitPlain = true;
  for (unsigned char c : in) sevenBitPlain = sevenBitPlain && c < 0x80 && c != 0x1B;
  if (sevenBitPlain && out != in) std::abort();  // plain ASCII must pass unchanged
  (void)bq::EucToSjis(in);
  (void)bq::JisToSjis(in);
  (void)bq::Utf8ToSjis(in);
  (void)bq::SjisToUtf8(in);
  if (bq::IsUtf8Text(in) && bq::Utf8ToSjis(in).size() > in.size()) std::abort();  // never grows on valid UTF-8
  return 0;
}
