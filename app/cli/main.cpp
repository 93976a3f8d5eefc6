// brindlequay-cli [--data DIR] [--libs DIR] [--settings FILE] [--verbose] COMMAND ...
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/cli/cli_app.h"
#include "app/cli/commands.h"
#include "app/core/shell/program_layout.h"
#include "app/core/version.h"

namespace bq::cli {

std::string LibsFolder(const GlobalOptions& options) {
  return app::PickLayout(options.exeDir, options.settingsFile, options.dataDir, options.libsDir).libsFolder;
}

}  // namespace bq::cli

// The linker's marks around the program's headers and code.
extern "C" const char __executable_start[];
extern "C" const char etext[];

namespace {

// A start runs code from all over the program, and each 64 KB of it first
// touched costs a page fault, on a virtual machine a dear one. Mapping the
// whole code in one call, before the runtime's own set-up runs, costs a
// fraction of that. (Linux 5.14 and later; elsewhere the call fails and the
// faults come as before.)
__attribute__((constructor(101))) void MapProgramCode() {
#ifdef MADV_POPULATE_READ
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(__executable_start) & ~(page - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(etext);
  ::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_READ);
#endif
}

std::string ExecutableFolder(const char* argv0) {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string path = n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string(argv0);
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

int Usage(FILE* out) {
  std::fprintf(out,
               "usage: brindlequay-cli [--data DIR] [--libs DIR] [--settings FILE] [--verbose] COMMAND ...\n"
               "       brindlequay-cli --version\ncommands:\n");
  for (const auto& c : bq::cli::Commands()) std::fprintf(out, "  %s\n", c.usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bq::cli::GlobalOptions options;
  options.exeDir = ExecutableFolder(argv[0]);
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if ((a == "--data" || a == "--libs" || a == "--settings") && i + 1 < argc) {
      (a == "--data" ? options.dataDir : a == "--libs" ? options.libsDir : options.settingsFile) = argv[++i];
    } else if (a == "--verbose") {
      options.verbose = true;
    } else if (a == "--version") {
      std::printf("brindlequay-cli %s\n", bq::app::kVersion);
      return 0;
    } else {
      break;
    }
  }
  if (i >= argc) return Usage(stderr);
  std::string name = argv[i];
  if (name == "help" || name == "--help") {
    Usage(stdout);
    return 0;
  }
  bq::cli::Args args(argv + i + 1, argv + argc);
  for (const auto& c : bq::cli::Commands()) {
    if (name != c.name) continue;
    const int status = c.run(args, options);
    // A write that failed was told as it failed; the command did not succeed.
    return status == 0 && bq::cli::UnsavedWrites() > 0 ? 1 : status;
  }
  std::fprintf(stderr, "brindlequay-cli: unknown command '%s'\n", name.c_str());
  return Usage(stderr);
}
