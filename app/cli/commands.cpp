#include "app/cli/commands.h"

namespace bq::cli {

const std::vector<CommandEntry>& Commands() {
  static const std::vector<CommandEntry> table = {
  };
  return table;
}

}  // namespace bq::cli
