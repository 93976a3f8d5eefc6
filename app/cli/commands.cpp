#include "app/cli/commands.h"

namespace bq::cli {

int CompileCommand(const Args& args, const GlobalOptions& options);  // compile_cmd.cpp

const std::vector<CommandEntry>& Commands() {
  static const std::vector<CommandEntry> table = {
      {"compile", "compile FILE.pss [--listing] [--libs DIR]   compile a script, print errors or the listing",
       CompileCommand},
  };
  return table;
}

}  // namespace bq::cli
