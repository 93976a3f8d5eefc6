// Address resolution and the address codec on arbitrary bytes: the input is
// "base\naddress"; the whole input is also read as a page of links.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "textlib/error.h"
#include "textlib/links.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  std::size_t nl = in.find('\n');
  std::string_view base = nl == std::string_view::npos ? std::string_view() : in.substr(0, nl);
  std::string_view address = nl == std::string_view::npos ? in : in.substr(nl + 1);
  std::string resolved = bq::Resolve(base, address);
  std::string once = bq::EncodeAddress(resolved, false, false);
  if (bq::EncodeAddress(once, false, false) != once) std::abort();  // encoding an address twice changes nothing
  (void)bq::EncodeAddress(address, true, true);
  try {
    (void)bq::DecodeAddress(address);
  } catch (const bq::Exception&) {
  }
  (void)bq::IsWebAddress(address);
  (void)bq::AttrValue("HREF", address);
  (void)bq::ExtractLinks(address, base, "");
  (void)bq::ExtractSources(address, "IMG", base, "");
  return 0;
}
