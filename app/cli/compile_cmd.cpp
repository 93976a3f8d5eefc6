// brindlequay-cli compile FILE.pss [--listing] [--libs DIR]
// Compiles a script the way the workbench does (with line breaks for the
// debugger) and reports the first error with its source line marked.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "app/cli/commands.h"
#include "platform/fs.h"
#include "script/engine.h"
#include "script/listing.h"
#include "textlib/cp932.h"
#include "textlib/limits.h"

namespace bq::cli {

namespace {

constexpr char kCompileUsage[] = "usage: brindlequay-cli compile FILE.pss [--listing] [--libs DIR]\n";

// CR LF and lone CR become LF for the terminal.
std::string TerminalText(std::string_view sjis) {
  std::string utf8 = SjisToUtf8(sjis);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r') {
      out += '\n';
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
    } else {
      out += utf8[i];
    }
  }
  return out;
}

// The source line holding the error and a marker line of '^' under the
// offending token. Shift_JIS bytes match display columns (a double-byte
// character is two columns wide), so the marker is built on bytes.
void PrintMarkedLine(std::string_view source, std::size_t start, std::size_t length) {
  if (start > source.size()) start = source.size();
  std::size_t begin = source.find_last_of("\r\n", start == 0 ? std::string_view::npos : start - 1);
  begin = (begin == std::string_view::npos || start == 0) ? 0 : begin + 1;
  if (start > 0 && begin > start) begin = start;
  std::size_t end = source.find_first_of("\r\n", start);
  if (end == std::string_view::npos) end = source.size();
  std::size_t stop = std::min(start + length, end);
  while (stop > start && (source[stop - 1] == ' ' || source[stop - 1] == '\t')) --stop;
  std::string marker;
  for (std::size_t i = begin; i < start; ++i) marker += source[i] == '\t' ? '\t' : ' ';
  marker.append(std::max<std::size_t>(stop - start, 1), '^');
  std::printf("%s\n%s\n", SjisToUtf8(source.substr(begin, end - begin)).c_str(), marker.c_str());
}

}  // namespace

int CompileCommand(const Args& args, const GlobalOptions& options) {
  std::string file;
  bool listing = false;
  GlobalOptions opts = options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--listing") {
      listing = true;
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
  errno = 0;
  if (!fs::ReadFile(fs::FromOsPath(file), source, limits::kMaxScriptFile)) {
    int err = errno;
    std::fprintf(stderr, "brindlequay-cli: %s: %s\n", file.c_str(),
                 err ? std::strerror(err) : "cannot be read (too large or not a file)");
    return 2;
  }
  script::TScriptEngine engine;
  engine.LibFolder = fs::FromOsPath(LibsFolder(opts));
  try {
    if (!engine.CompileScript(source, true)) {
      std::printf("%s: not a script: the text does not start with SCRIPT\n", file.c_str());
      return 1;
    }
  } catch (const script::ECompileError& e) {
    std::printf("%s\n", TerminalText(e.what()).c_str());
    PrintMarkedLine(source, static_cast<std::size_t>(std::max(engine.ErrorStart, 0)),
                    static_cast<std::size_t>(std::max(engine.ErrorLength, 0)));
    return 1;
  }
  if (listing) std::fputs(TerminalText(script::ListCode(engine)).c_str(), stdout);
  return 0;
}

}  // namespace bq::cli
