#pragma once
// The script machine state as the compiler leaves it: code image, symbol
// table, string pool, clip templates and program name, plus the compile
// entry points. The application owns one instance; tests make their own.
//
// The compiler is not re-entrant: one CompileScript at a time per engine.
// The run-time half of the machine (registers, value stack, list iterators,
// Run) lives beside this state and is reset through OnResetMachine, which
// ResetCompiler and every successful compile call.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "script/clip_templates.h"
#include "script/instructions.h"
#include "script/symbols.h"
#include "script/warnings.h"
#include "textlib/error.h"

namespace bq::script {

// A compile failed. The text is "構文エラー" CR LF, the line, "行目:" and the
// message, in Shift_JIS.
class ECompileError : public Exception {
 public:
  using Exception::Exception;
};

class TScriptEngine {
 public:
  TScriptEngine() { ResetCompiler(); }

  // Empties everything the compiler owns (clip templates, symbols with the 18
  // system variables, string pool, program name, code image, warnings) and
  // then calls OnResetMachine.
  void ResetCompiler();

  // Compiles source (Shift_JIS; it ends at its first 0 byte). Returns false,
  // having compiled nothing, when the text does not start with SCRIPT.
  // Throws ECompileError on the first error; the tables are then empty and
  // ErrorStart/ErrorLength select the offending token in source.
  bool CompileScript(std::string_view source, bool debug);

  TCodeImage Code;
  TSymbolTable Symbols;
  TStringPool Pool;
  TClipTemplates Clips;
  std::string ProgramName;  // empty when nothing is compiled
  // The warnings of the last successful compile, in source order.
  std::vector<TCompileWarning> Warnings;

  // Library folder for INCLUDE (Shift_JIS path ending in '/').
  std::string LibFolder;

  // Set by every compile error: byte offset of the offending token from the
  // start of the compiled source, and the token's length up to the cursor.
  std::int32_t ErrorStart = 0;
  std::int32_t ErrorLength = 0;

  // Resets the run-time machine (registers, stack, list iterators). Called at
  // the end of ResetCompiler and after every successful compile.
  std::function<void()> OnResetMachine;
};

// A script file's text as the editor holds it: every line ended by CR LF,
// whatever line breaks the file used. Line numbers of errors and debug
// breaks count CRs, so a file saved with bare LFs must pass through this.
std::string AsCrLfLines(std::string_view raw);

}  // namespace bq::script
