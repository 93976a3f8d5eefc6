#include "app/cli/compile_report.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/cli/terminal.h"
#include "app/core/kernel.h"
#include "platform/fs.h"
#include "script/error_notes.h"
#include "script/messages.h"
#include "script/warnings.h"
#include "textlib/cp932.h"
#include "textlib/limits.h"

namespace bq::cli {

std::string ScriptLabel(const app::TApplication& app) {
  std::string path = app.ScriptPath();
  if (path.rfind(app.LibFolder(), 0) == 0) path.erase(0, app.LibFolder().size());
  return SjisToUtf8(path);
}

bool IsCompileErrorText(std::string_view text) {
  return text.rfind(std::string(script::msg::kSyntaxError) + "\r\n", 0) == 0;
}

namespace {

// "FILE:LINE: " and the line, then the marker under the span.
void PrintPlace(std::FILE* out, const script::SourcePlace& place, const std::string& fileLabel) {
  std::string prefix = fileLabel + ":" + std::to_string(place.line) + ": ";
  // Shift_JIS bytes match display columns (a double-byte character is two
  // columns wide), so the marker is built on bytes, tabs kept as tabs.
  std::string marker(Utf8ToSjis(prefix).size(), ' ');
  for (std::size_t i = 0; i < place.column && i < place.text.size(); ++i)
    marker += place.text[i] == '\t' ? '\t' : ' ';
  marker.append(place.width, '^');
  std::fprintf(out, "%s%s\n%s\n", prefix.c_str(), SjisToUtf8(place.text).c_str(), marker.c_str());
}

}  // namespace

void PrintCompileError(std::FILE* out, std::string_view errorText, const script::TScriptEngine& engine,
                       std::string_view source, const std::string& fileLabel) {
  std::size_t start = static_cast<std::size_t>(std::max(engine.ErrorStart, 0));
  std::size_t length = static_cast<std::size_t>(std::max(engine.ErrorLength, 0));
  std::fprintf(out, "%s\n", TerminalText(errorText).c_str());
  std::string hint = script::TakenNameHint(source, start, script::CompileErrorMessage(errorText));
  if (!hint.empty()) std::fprintf(out, "%s\n", TerminalText(hint).c_str());
  PrintPlace(out, script::ErrorPlace(source, start, length), fileLabel);
}

void PrintWarnings(std::FILE* out, const script::TScriptEngine& engine, const std::string& fileLabel) {
  for (const script::TCompileWarning& w : engine.Warnings) {
    std::string label = w.File.empty() ? fileLabel : SjisToUtf8(w.File);
    std::fprintf(out, "%s:%d: %s\n", label.c_str(), w.Place.line, TerminalText(script::WarningLine(w)).c_str());
    PrintPlace(out, w.Place, label);
  }
}

void TWarningPrinter::PrintOnce(std::FILE* out, const app::TApplication& app) {
  const script::TScriptEngine& engine = app::TKernel::Engine(app);
  if (engine.Warnings.empty()) return;
  std::string key = app.ScriptPath();
  for (const script::TCompileWarning& w : engine.Warnings) key += "\n" + w.Text + std::to_string(w.Place.line);
  if (std::find(printed_.begin(), printed_.end(), key) != printed_.end()) return;
  printed_.push_back(key);
  PrintWarnings(out, engine, ScriptLabel(app));
}

int ReadScriptSource(const std::string& osPath, std::string& source) {
  errno = 0;
  if (!fs::ReadFile(fs::FromOsPath(osPath), source, limits::kMaxScriptFile)) {
    int err = errno;
    std::fprintf(stderr, "brindlequay-cli: %s: %s\n", osPath.c_str(),
                 err ? std::strerror(err) : "cannot be read (too large or not a file)");
    return 2;
  }
  std::string refusal = script::Utf8ScriptError(source, osPath);
  if (!refusal.empty()) {
    std::fprintf(stderr, "%s\n", refusal.c_str());
    return 1;
  }
  source = script::AsCrLfLines(source);
  return 0;
}

}  // namespace bq::cli
