// brindlequay-cli compile FILE.pss [--listing] [--werror] [--libs DIR]
// Compiles a script the way the workbench does (with line breaks for the
// debugger) and reports the first error with its source line marked, or the
// compiler's warnings, each with its line marked. Warnings leave the exit
// status 0 unless --werror makes them fail the compile (for CI jobs).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "app/cli/commands.h"
#include "app/cli/compile_report.h"
#include "app/cli/terminal.h"
#include "platform/fs.h"
#include "script/engine.h"
#include "script/listing.h"
#include "textlib/cp932.h"
#include "textlib/limits.h"

namespace bq::cli {

namespace {

constexpr char kCompileUsage[] = "usage: brindlequay-cli compile FILE.pss [--listing] [--werror] [--libs DIR]\n";


}  // namespace

int CompileCommand(const Args& args, const GlobalOptions& options) {
  std::string file;
  bool listing = false, werror = false;
  GlobalOptions opts = options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--listing") {
      listing = true;
    } else if (args[i] == "--werror") {
      werror = true;
    } else if (args[i] == "--libs" && i + 1 < args.size()) {
      opts.libsDir = args[++i];
    } else if (!args[i].empty() && args[i][0] != '-' && file.empty()) {
      file = args[i];
    } else {
      std::fputs(kCompileUsage, stderr);
      return 2;
    }
  }
  if (file.empty()) {
    std::fputs(kCompileUsage, stderr);
    return 2;
  }
  std::string source;
  if (int status = ReadScriptSource(file, source)) return status;

  script::TScriptEngine engine;
  engine.LibFolder = fs::FromOsPath(LibsFolder(opts));
  try {
    if (!engine.CompileScript(source, true)) {
      std::printf("%s: not a script: the text does not start with SCRIPT\n", file.c_str());
      return 1;
    }
  } catch (const script::ECompileError& e) {
    PrintCompileError(stdout, e.what(), engine, source, file);
    return 1;
  }
  PrintWarnings(stdout, engine, file);
  if (listing) std::fputs(TerminalText(script::ListCode(engine)).c_str(), stdout);
  if (werror && !engine.Warnings.empty()) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %zu warning(s), failing as --werror asks\n", file.c_str(), engine.Warnings.size());
    return 1;
  }
  return 0;
}

}  // namespace bq::cli
