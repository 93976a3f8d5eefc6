#pragma once
// The commands of brindlequay-cli. Each takes the words after its name and
// the global options, and returns the process exit code.
#include <string>
#include <vector>

namespace bq::cli {

struct GlobalOptions {
  std::string dataDir;  // --data DIR (empty: the default data folder)
  std::string libsDir;  // --libs DIR (empty: libs/ beside the executable)
  std::string settingsFile;  // --settings FILE (empty: the layout's settings file)
  bool verbose = false;  // --verbose
  std::string exeDir;    // folder of the running executable, with a trailing '/'
};

using Args = std::vector<std::string>;
using Command = int (*)(const Args& args, const GlobalOptions& options);

struct CommandEntry {
  const char* name;
  const char* usage;  // one line, shown by "help"
  Command run;
};

// The command table, in the order "help" lists it.
const std::vector<CommandEntry>& Commands();

// The libs folder for the options (UTF-8 OS path, trailing '/').
std::string LibsFolder(const GlobalOptions& options);

}  // namespace bq::cli
