// The node file and root definition readers on arbitrary bytes. After one
// write the definition is in its normal form: reading and writing it again
// changes nothing.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "logstore/folder_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  bq::TFolderInfo first;
  const bool valid = bq::ParseNodeFile(text, first);
  const std::string once = bq::FormatNodeFile(first);
  bq::TFolderInfo second, third;
  if (!bq::ParseNodeFile(once, second)) std::abort();  // a written file always has 16 lines
  if (!valid && !(second == bq::TFolderInfo{})) std::abort();
  const std::string twice = bq::FormatNodeFile(second);
  if (!bq::ParseNodeFile(twice, third) || !(third == second)) std::abort();
  if (bq::FormatNodeFile(third) != twice) std::abort();

  // A lone CR in the path is dropped by the first write; from then on stable.
  const bq::RootDefinition root = bq::ParseRootDef(bq::FormatRootDef(bq::ParseRootDef(text)));
  const bq::RootDefinition back = bq::ParseRootDef(bq::FormatRootDef(root));
  if (back.ScheduleEnabled != root.ScheduleEnabled || back.ScheduleHours != root.ScheduleHours ||
      back.ScheduleMinute != root.ScheduleMinute || back.LastFolder != root.LastFolder) {
    std::abort();
  }
  return 0;
}
