#include "app/cli/commands.h"

namespace bq::cli {

int CompileCommand(const Args& args, const GlobalOptions& options);  // compile_cmd.cpp
int ExecCommand(const Args& args, const GlobalOptions& options);     // exec_cmd.cpp

const std::vector<CommandEntry>& Commands() {
  static const std::vector<CommandEntry> table = {
      {"compile", "compile FILE.pss [--listing] [--libs DIR]   compile a script, print errors or the listing",
       CompileCommand},
      {"exec", "exec FILE.pss [--trace] [--libs DIR]   compile and run a script headless, print its print text",
       ExecCommand},
  };
  return table;
}

}  // namespace bq::cli
