// The OPML reader on arbitrary bytes: it ends within its limits, and what it
// read, written out and read again, gives the same outlines.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string_view>

#include "feed/opml.h"
#include "textlib/limits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const bq::feed::Opml first = bq::feed::ReadOpml(bytes);
  std::size_t count = 0;
  std::function<void(const std::vector<bq::feed::Outline>&)> countAll = [&](const auto& list) {
    for (const auto& o : list) {
      ++count;
      countAll(o.children);
    }
  };
  countAll(first.outlines);
  if (count > bq::limits::kMaxOpmlOutlines) std::abort();
  const bq::feed::Opml again = bq::feed::ReadOpml(bq::feed::WriteOpml(first));
  if (!again.error.empty() || again.outlines != first.outlines) std::abort();
  return 0;
}
