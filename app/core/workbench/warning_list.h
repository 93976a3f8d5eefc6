#pragma once
// The compiler's warnings as the workbench lists them under its editor:
// one row per warning of the last compile, in source order. A click on a
// row selects its span in the editor (the step list's line for stepping).
// Warnings never block running: they are shown, nothing more.
//
// Texts are Shift_JIS, like the rest of the workbench.
#include <string>
#include <string_view>
#include <vector>

#include "app/core/workbench/editor_text.h"
#include "script/engine.h"

namespace bq::app {

struct WarningRow {
  // The line of the editor to go to, counted from 0 as the step list
  // counts. A warning inside an INCLUDEd library goes to the INCLUDE.
  int line = 0;
  EditorSpan span;        // what to select in the editor
  // The list entry, "12行目: 警告: ... [tag]" with the line counted from 1,
  // as brindlequay-cli and the guide count; a library's adds its own line:
  // "3行目 (lib.pss 12行目): ...".
  std::string text;
  std::string tag;         // the warning's tag ("own-name"), for the guide's anchor
  std::string sourceLine;  // the line the warning points into (its library's line for a library), tabs kept
  std::string marker;      // blanks (tabs kept) then '^' under the span: sourceLine's underline in a fixed-pitch font
};

// The rows of the engine's warnings; source is the text it compiled.
std::vector<WarningRow> WarningRows(const script::TScriptEngine& engine, std::string_view source);

// The anchor of a warning's section in the script writers' guide
// ("script-guide.html#w-own-name").
std::string GuideAnchor(std::string_view tag);

}  // namespace bq::app
