#pragma once
// The busy state of the main window: which actions are enabled while a
// script, a round, a fetch or an export runs, and which once it is over.
//
// SetBusy takes two flags. enabled = false disables every action of the
// window (the message panel, the about button, the list's operation bar with
// its jump and move buttons, and the fourth tool bar with them) and shows the
// wait cursor; stoppable decides Stop and Skip on its own, in both states.
// Leaving the busy state enables the rest again, except the actions that
// depend on the open folder: export needs an EXPORT procedure in the compiled
// script and a non-empty log, the folder's properties, delete and rename (and
// caption editing in the tree) need a folder below the log root, find next
// and previous need a search text.
namespace bq::app {

// What the enabling rules look at.
struct BusyInput {
  bool enabled = true;          // false while something runs
  bool stoppable = false;       // Stop and Skip act on what runs
  bool hasExport = false;       // the compiled script defines EXPORT
  int logCount = 0;             // articles in the open log
  bool folderIsLogRoot = true;  // the open folder is the log root (or none is open)
  bool hasSearchText = false;
  int listRows = 0;  // rows the article list shows now
};

// Each action's enabled flag, and what the window does with the rest.
struct ActionStates {
  bool general = true;  // every action not named below, and the panels above
  bool stop = false;
  bool skip = false;
  bool exportLog = false;
  bool properties = false;
  bool deleteFolder = false;
  bool renameFolder = false;
  bool editCaptions = false;  // caption editing in the folder tree
  bool findNext = false;
  bool findPrevious = false;
  bool waitCursor = false;
  bool refreshList = false;  // the list's row count differs from the log's
  bool operator==(const ActionStates&) const = default;
};

ActionStates BusyActions(const BusyInput& in);

// The export action alone: an EXPORT procedure and at least one article.
inline bool ExportEnabled(bool hasExport, int logCount) { return hasExport && logCount > 0; }

}  // namespace bq::app
