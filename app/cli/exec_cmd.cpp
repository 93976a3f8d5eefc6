// brindlequay-cli exec FILE.pss [--trace] [--articles] [--url URL] [--data DIR] [--libs DIR]
// Compiles a script and runs it with every builtin, as a folder's script
// runs: the real fetcher (its page cache in a temporary data folder, or in
// --data DIR), a scratch article log that PUTLOG fills and that is thrown
// away at the end, and the template variables of an empty folder definition
// (%URL% from --url). The folders are made only for a script that can reach
// them; one that only computes and prints touches no disk at all. Prints the print text; with --trace also one line per
// executed instruction; with --articles or --verbose the stored articles as
// `list` shows them. Exit status 0 when the script halts, 1 on a compile or
// run-time error, 128 + the signal's number when Ctrl-C, SIGTERM or SIGHUP
// stopped it.
#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/cli_app.h"
#include "app/cli/commands.h"
#include "app/cli/compile_report.h"
#include "app/cli/fetch_report.h"
#include "app/cli/terminal.h"
#include "app/core/list/article_list.h"
#include "builtins/folder_reach.h"
#include "platform/fs.h"
#include "script/engine.h"
#include "script/listing.h"
#include "script/machine.h"
#include "textlib/cp932.h"
#include "textlib/dates.h"
#include "textlib/limits.h"

namespace bq::cli {

namespace {

constexpr char kExecUsage[] =
    "usage: brindlequay-cli exec FILE.pss [--trace] [--articles] [--url URL] [--data DIR] [--libs DIR]\n";

struct Tracer {
  const script::TScriptEngine* engine;
  static void Line(void* self, std::int32_t address) {
    auto* t = static_cast<Tracer*>(self);
    std::printf("%3d: %s\n", address, SjisToUtf8(script::ListInstruction(*t->engine, address)).c_str());
  }
};

struct ExecOptions {
  std::string file;
  bool trace = false;
  bool articles = false;
  std::string url;  // UTF-8
  GlobalOptions global;
};

bool ParseExec(const Args& args, ExecOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--trace") {
      o.trace = true;
    } else if (args[i] == "--articles") {
      o.articles = true;
    } else if (args[i] == "--libs" && i + 1 < args.size()) {
      o.global.libsDir = args[++i];
    } else if (args[i] == "--data" && i + 1 < args.size()) {
      o.global.dataDir = args[++i];
    } else if (args[i] == "--url" && i + 1 < args.size()) {
      o.url = args[++i];
    } else if (!args[i].empty() && args[i][0] != '-' && o.file.empty()) {
      o.file = args[i];
    } else {
      return false;
    }
  }
  return !o.file.empty();
}

// Where a scratch folder may go, in the order tried: $TMPDIR, then /tmp.
std::vector<std::string> ScratchParents() {
  std::vector<std::string> parents;
  const char* tmpdir = std::getenv("TMPDIR");
  if (tmpdir != nullptr && *tmpdir != '\0') parents.emplace_back(tmpdir);
  parents.emplace_back("/tmp");
  return parents;
}

// A temporary folder for the scratch site folder (and the data folder when
// --data is not given), made on demand and removed with everything in it
// at the end.
class TScratch {
 public:
  TScratch() = default;
  TScratch(const TScratch&) = delete;
  TScratch& operator=(const TScratch&) = delete;
  ~TScratch() {
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }
  // False, with errno set, when no parent can hold one.
  bool Make() {
    for (const std::string& parent : ScratchParents()) {
      std::string tmpl = parent + "/brindlequay-exec.XXXXXX";
      if (::mkdtemp(tmpl.data())) {
        dir_ = tmpl + "/";
        return true;
      }
    }
    return false;
  }
  const std::string& Dir() const { return dir_; }  // OS path, ends in '/'

 private:
  std::string dir_;
};

// The articles the script stored, in the form `list` prints them.
void PrintArticles(app::TApplication& a) {
  const app::TArticleList rows(a);
  for (int i = 0; i < app::TKernel::Log(a).Count(); ++i) std::printf("%s\n", TerminalText(rows.RowLine(i)).c_str());
}

// Makes the temporary folder and opens the data folder (--data, else one in
// the temporary folder) and the scratch site folder in it; false (the reason
// on stderr) when they cannot be made.
bool OpenScratchFolders(app::TApplication& a, app::ProgramLayout layout, TScratch& scratch) {
  if (!scratch.Make()) {
    std::fprintf(stderr, "brindlequay-cli: cannot make a temporary folder: %s\n", std::strerror(errno));
    return false;
  }
  if (layout.dataOption.empty()) layout.dataOption = scratch.Dir() + "data/";
  a.SetupFolders(fs::FromOsPath(DataFolder(a, layout)));
  const std::string folder = fs::FromOsPath(scratch.Dir()) + "scratch/";
  if (!fs::ForceDirectories(folder)) {
    std::fprintf(stderr, "brindlequay-cli: cannot make %sscratch/: %s\n", scratch.Dir().c_str(), std::strerror(errno));
    return false;
  }
  app::TKernel::Log(a).OpenFolder(folder);
  return true;
}

// Compiles the script; false (the reason on stderr) when it cannot run.
bool CompileForExec(app::TApplication& a, const ExecOptions& o, const std::string& source) {
  try {
    if (app::TKernel::Engine(a).CompileScript(source, false)) {
      PrintWarnings(stderr, app::TKernel::Engine(a), o.file);
      return true;
    }
    std::fprintf(stderr, "%s: not a script: the text does not start with SCRIPT\n", o.file.c_str());
  } catch (const script::ECompileError& e) {
    PrintCompileError(stderr, e.what(), app::TKernel::Engine(a), source, o.file);
  }
  return false;
}

}  // namespace

int ExecCommand(const Args& args, const GlobalOptions& options) {
  ExecOptions o;
  o.global = options;
  if (!ParseExec(args, o)) {
    std::fputs(kExecUsage, stderr);
    return 2;
  }
  std::string source;
  if (int status = ReadScriptSource(o.file, source)) return status;

  // Declared first, so that the folder goes after the application is done.
  TScratch scratch;
  app::ProgramLayout layout;
  auto cli = LoadHeadlessApp(o.global, layout);
  StopOnSignals();
  app::TApplication& a = cli->app;
  if (!CompileForExec(a, o, source)) return 1;
  if (builtins::ReachesFolders(app::TKernel::Engine(a).Code) && !OpenScratchFolders(a, layout, scratch)) return 1;
  TScrapList& log = app::TKernel::Log(a);
  // The scratch log goes with the temporary folder: writing and syncing its
  // files after the run would only cost the run its time.
  log.SetReadOnly(true);
  log.Folder.SiteUrl = Utf8ToSjis(o.url);
  Tracer tracer{&app::TKernel::Engine(a)};
  script::TScriptMachine& machine = app::TKernel::Machine(a);
  if (o.trace) {
    machine.TraceHook = &Tracer::Line;
    machine.TraceContext = &tracer;
  }
  auto fetches = ReportPageOperations(a, options.verbose);
  int status = 0;
  try {
    a.ExecAction();
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", TerminalText(e.what()).c_str());
    status = 1;
  }
  if (Interrupted()) status = InterruptedStatus();
  std::fputs(TerminalText(machine.PrintBuffer).c_str(), stdout);
  if (o.articles || options.verbose) PrintArticles(a);
  std::fflush(stdout);
  return status;
}

}  // namespace bq::cli
