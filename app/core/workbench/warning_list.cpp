#include "app/core/workbench/warning_list.h"

#include "script/error_notes.h"
#include "script/warnings.h"
#include "textlib/cp932.h"

namespace bq::app {

std::vector<WarningRow> WarningRows(const script::TScriptEngine& engine, std::string_view source) {
  std::vector<WarningRow> rows;
  rows.reserve(engine.Warnings.size());
  for (const script::TCompileWarning& w : engine.Warnings) {
    WarningRow r;
    script::SourcePlace here = script::ErrorPlace(source, w.Start, w.Length);
    r.line = here.line - 1;
    r.span = EditorSpanOf(source, w.Start, w.Length);
    r.tag = std::string(script::WarningKind(w.Code).tag);
    // "行目"
    r.text = std::to_string(here.line) + Utf8ToSjis("行目");
    if (!w.File.empty()) r.text += " (" + w.File + " " + std::to_string(w.Place.line) + Utf8ToSjis("行目") + ")";
    r.text += ": " + script::WarningLine(w);
    r.sourceLine = w.Place.text;
    for (std::size_t i = 0; i < w.Place.column && i < w.Place.text.size(); ++i)
      r.marker += w.Place.text[i] == '\t' ? '\t' : ' ';
    r.marker.append(w.Place.width, '^');
    rows.push_back(std::move(r));
  }
  return rows;
}

std::string GuideAnchor(std::string_view tag) { return "script-guide.html#w-" + std::string(tag); }

}  // namespace bq::app
