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
  bool operator==(const ExportChoice&) const = default;
};

inline constexpr int kExportTargets = 5;

// File name and target from the settings; a target out of range reads as 0.
ExportChoice ExportFromSettings(const TInitParam& settings);
void StoreExportChoice(TInitParam& settings, const ExportChoice& choice);
// "実行！": the choice goes to the settings, then EXPORT(file, target,
// delete, 3) runs in the busy state, not stoppable. Errors of the script
// are raised to the caller.
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
