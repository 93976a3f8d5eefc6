#pragma once
// The export dialog "エクスポート": what it starts from, what "実行！" stores
// and calls. The folder's script writes the file in its EXPORT procedure.
#include <string>
#include <vector>

#include "web/initparam.h"

namespace bq::app {

class TApplication;

// Output file, target (0 all, 1 selected, 2 not selected, 3 unread, 4 read)
// and whether the exported articles are deleted afterwards.
struct ExportChoice {
  std::string file;
  int target = 0;
  bool deleteExported = false;
  bool utf8 = false;  // the file in UTF-8 instead of Shift_JIS
  bool operator==(const ExportChoice&) const = default;
};

inline constexpr int kExportTargets = 5;

// The output encodings offered, in order: Shift_JIS, UTF-8 (Shift_JIS).
std::vector<std::string> ExportEncodings();
// Why "実行！" cannot run the choice (Shift_JIS); empty when it can.
std::string ExportChoiceError(const ExportChoice& choice);
// The status bar's word when an export is done (Shift_JIS).
std::string ExportDoneText(const ExportChoice& choice);

// File name, target and encoding from the settings; a target out of range
// reads as 0.
ExportChoice ExportFromSettings(const TInitParam& settings);
void StoreExportChoice(TInitParam& settings, const ExportChoice& choice);
// "実行！": the choice goes to the settings, then EXPORT(file, target,
// delete, 3) runs in the busy state, not stoppable; for UTF-8 the file the
// script wrote is converted afterwards. Errors of the script, and a file
// that cannot be converted, are raised to the caller.
void RunExport(TApplication& app, const ExportChoice& choice);

// The save dialog's filters as description and patterns (';' between them),
// in the order offered (Shift_JIS).
struct FileFilter {
  std::string description;
  std::string patterns;
};
std::vector<FileFilter> ExportFileFilters();
// "description|patterns|description|patterns..." split into its pairs; a
// description without patterns is dropped.
std::vector<FileFilter> ParseFileFilters(const std::string& text);

}  // namespace bq::app
