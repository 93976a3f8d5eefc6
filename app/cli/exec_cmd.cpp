// brindlequay-cli exec FILE.pss [--trace] [--libs DIR]
// Compiles a script and runs it headless: the log, the fetcher and the
// windows are not there (each such call is reported on stderr and the script
// goes on). Prints the print text; with --trace also one line per executed
// instruction. Exit status 0 when the script halts, 1 on a compile or
// run-time error, 130 when interrupted.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "app/cli/commands.h"
#include "app/cli/compile_report.h"
#include "app/cli/terminal.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "script/engine.h"
#include "script/host.h"
#include "script/listing.h"
#include "script/machine.h"
#include "textlib/cp932.h"
#include "textlib/limits.h"

namespace bq::cli {

namespace {

constexpr char kExecUsage[] = "usage: brindlequay-cli exec FILE.pss [--trace] [--libs DIR]\n";

volatile std::sig_atomic_t interrupted = 0;
extern "C" void OnInterrupt(int) { interrupted = 1; }


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
  GlobalOptions global;
};

bool ParseExec(const Args& args, ExecOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--trace") {
      o.trace = true;
    } else if (args[i] == "--libs" && i + 1 < args.size()) {
      o.global.libsDir = args[++i];
    } else if (!args[i].empty() && args[i][0] != '-' && o.file.empty()) {
      o.file = args[i];
    } else {
      return false;
    }
  }
  return !o.file.empty();
}

// Runs until the script halts or is interrupted; re-enters after an
// instruction that jumps to itself, pumping in between so Ctrl-C works.
void RunToEnd(script::TScriptMachine& m, CallbackPump& pump) {
  m.State = script::RunState::Run;
  while (m.State == script::RunState::Run) {
    m.Run();
    if (m.State == script::RunState::Run) pump.ProcessMessages();
  }
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

  script::TScriptEngine engine;
  engine.LibFolder = fs::FromOsPath(LibsFolder(o.global));
  script::THeadlessHost host;
  host.Notice = [](const std::string& n) { std::fprintf(stderr, "%s\n", TerminalText(n).c_str()); };
  CallbackPump pump;
  script::TScriptMachine machine(engine, host, &pump);
  try {
    if (!engine.CompileScript(source, false)) {
      std::fprintf(stderr, "%s: not a script: the text does not start with SCRIPT\n", o.file.c_str());
      return 1;
    }
  } catch (const script::ECompileError& e) {
    PrintCompileError(stderr, e.what(), engine, source, o.file);
    return 1;
  }
  machine.ProgramFolder = fs::FromOsPath(o.global.exeDir);
  machine.LibraryFolder = engine.LibFolder;
  machine.DataFolder = o.global.dataDir.empty() ? std::string() : fs::IncludeTrailingSeparator(fs::FromOsPath(o.global.dataDir));
  Tracer tracer{&engine};
  if (o.trace) {
    machine.TraceHook = &Tracer::Line;
    machine.TraceContext = &tracer;
  }
  interrupted = 0;
  std::signal(SIGINT, OnInterrupt);
  pump.Add([&machine] {
    if (interrupted) machine.State = script::RunState::Stopped;
  });
  int status = 0;
  try {
    RunToEnd(machine, pump);
    if (machine.State == script::RunState::Stopped) status = 130;
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", TerminalText(e.what()).c_str());
    status = 1;
  }
  std::signal(SIGINT, SIG_DFL);
  std::fputs(TerminalText(machine.PrintBuffer).c_str(), stdout);
  std::fflush(stdout);
  return status;
}

}  // namespace bq::cli
