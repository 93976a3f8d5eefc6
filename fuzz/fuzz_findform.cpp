// Form search and form data on arbitrary bytes: the input is
// "selector\nuser fields\nhtml".
#include <cstdint>
#include <string>
#include <string_view>

#include "textlib/forms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  auto line = [&in]() {
    std::size_t nl = in.find('\n');
    std::string_view head = in.substr(0, nl);
    in.remove_prefix(nl == std::string_view::npos ? in.size() : nl + 1);
    return head;
  };
  std::string_view selector = line();
  std::string_view user = line();
  bq::FormState form;
  if (bq::FindForm("http://h.jp/d/p.html", selector, in, form)) {
    std::string body = bq::BuildFormData(form, user);
    (void)bq::FormRequestAddress(form, body);
  }
  return 0;
}
