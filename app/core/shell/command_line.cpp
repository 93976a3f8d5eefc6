// The desktop program's command line.
#include "app/core/shell/command_line.h"

#include "app/core/shell/shell_model.h"

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

StartPlan PlanStart(const std::string& word, InstanceReach reach, const std::string& socketPath) {
  StartPlan plan;
  switch (reach) {
    case InstanceReach::Answered: break;
    case InstanceReach::NotAnswering:
      plan.exitCode = 2;
      plan.message = "the running instance did not answer within " + std::to_string(kInstanceAnswerMs / 1000) +
                     " s (is it stopped or hung?); its socket " + socketPath + " is left as it is";
      break;
    case InstanceReach::NoInstance:
      if (MatchCommandWord(word) == CommandWord::Quit)
        plan.message = "no instance is running: nothing to quit";
      else
        plan.becomeInstance = true;
      break;
  }
  return plan;
}

}  // namespace bq::app
