// The desktop program's command line.
#include "app/core/command_line.h"

namespace bq::app {

DesktopOptions ParseDesktopArgs(const std::vector<std::string>& args) {
  DesktopOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string* target = a == "--data"         ? &o.data
                          : a == "--libs"       ? &o.libs
                          : a == "--settings"   ? &o.settings
                          : a == "--screenshot" ? &o.screenshot
                                                : nullptr;
    if (target) {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        o.error = a + " needs a value";
        return o;
      }
      *target = args[++i];
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a.size() > 1 && a[0] == '-') {
      o.error = "unknown option " + a;
      return o;
    } else if (o.word.empty()) {
      o.word = a;
    }
  }
  return o;
}

}  // namespace bq::app
