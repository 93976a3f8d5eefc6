#include "app/core/shell/busy_state.h"

namespace bq::app {

ActionStates BusyActions(const BusyInput& in) {
  ActionStates s;
  s.stop = s.skip = in.stoppable;
  if (!in.enabled) {
    s.general = false;
    s.waitCursor = true;
    return s;
  }
  s.general = true;
  s.exportLog = ExportEnabled(in.hasExport, in.logCount);
  s.properties = s.deleteFolder = s.renameFolder = s.editCaptions = !in.folderIsLogRoot;
  s.findNext = s.findPrevious = in.hasSearchText;
  s.refreshList = in.listRows != in.logCount;
  return s;
}

}  // namespace bq::app
