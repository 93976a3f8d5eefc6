#pragma once
// How every command reports a compile error: the compiler's text as it is,
// a hint when a taken name was used as a variable, then "FILE:LINE: " and the
// source line with the offending token marked by '^' below it.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/application.h"
#include "script/engine.h"

namespace bq::cli {

// errorText is the compile error's text (Shift_JIS); fileLabel is the name
// the user knows the file by (UTF-8); source is the compiled text, which the
// engine's ErrorStart and ErrorLength point into.
void PrintCompileError(std::FILE* out, std::string_view errorText, const script::TScriptEngine& engine,
                       std::string_view source, const std::string& fileLabel);
// Every warning of the engine's last compile: "FILE:LINE: 警告: text [tag]",
// then the source line with the span marked, as for an error. fileLabel
// names the compiled text; a warning inside an INCLUDEd library is named by
// the library.
void PrintWarnings(std::FILE* out, const script::TScriptEngine& engine, const std::string& fileLabel);
// The same for the open folder's script, once per script and set of
// warnings in the life of the program (a round meets the same script in
// many folders).
class TWarningPrinter {
 public:
  void PrintOnce(std::FILE* out, const app::TApplication& app);

 private:
  std::vector<std::string> printed_;
};
// The open folder's script as the user names it: its path below the libs
// folder (UTF-8).
std::string ScriptLabel(const app::TApplication& app);
// True for the text of a compile error (it opens with "構文エラー" CR LF).
bool IsCompileErrorText(std::string_view text);

// Reads a script file for compile and exec; source gets CR LF line ends.
// Returns 0, or the exit code with the reason on stderr: 2 when the file
// cannot be read, 1 when it is saved in UTF-8 (the one line says how to
// convert it).
int ReadScriptSource(const std::string& osPath, std::string& source);

}  // namespace bq::cli
