// The enabling rules of every command, in one pass.
#include "app/core/shell/command_rules.h"

#include "app/core/rounds/schedule.h"

namespace bq::app {

CommandStates EvaluateCommands(const ShellFacts& f) {
  CommandStates s;
  auto set = [&s](Command c, bool on) { s.enabled[static_cast<std::size_t>(c)] = on; };
  auto check = [&s](Command c, bool on) { s.checked[static_cast<std::size_t>(c)] = on; };
  const bool idle = !f.run.busy;
  // Whatever runs, only Stop and Skip act on it; the report can be read.
  s.enabled.fill(idle);
  set(Command::StopAction, f.run.stoppable);
  set(Command::SkipAction, f.run.stoppable);
  set(Command::RoundReportAction, true);
  s.panelsEnabled = idle;
  s.waitCursor = !idle;
  check(Command::TimerSwitch, f.folder.scheduleOn);
  check(Command::RoundTargetAction, f.folder.roundTarget);
  check(Command::RunFromCache, f.folder.runFromCache);
  s.timerSwitchCaption = TimerSwitchCaption(f.folder.scheduleOn);
  s.timerSwitchImage = f.folder.scheduleOn ? Image::SwitchOn : Image::SwitchOff;
  s.codeButtonShown = f.program.developerMode;
  if (!idle) return s;

  const bool subfolder = f.tree.nodeSelected && !f.folder.isLogRoot;
  set(Command::ExportAction, f.folder.hasExport && f.folder.logCount > 0);
  set(Command::PropertyAction, !f.folder.isLogRoot);
  set(Command::NewFolderAction, f.tree.nodeSelected && !f.tree.editingCaption);
  set(Command::RenameFolderAction, subfolder && !f.tree.editingCaption);
  set(Command::DeleteFolderAction, subfolder && !f.tree.editingCaption);
  set(Command::RoundTargetAction, subfolder);
  s.captionEditing = subfolder;
  set(Command::NextLogDirAction, f.program.historyEntries > 0);
  set(Command::HideAction, f.program.trayAvailable);
  set(Command::HelpAction, f.program.helpAvailable);
  set(Command::GuideAction, f.program.guideAvailable);
  set(Command::FindNextAction, f.list.hasSearchText);
  set(Command::FindPrevAction, f.list.hasSearchText);
  set(Command::DeleteAction, f.list.selectedRows > 0);
  set(Command::ReadAction, f.list.selectedUnread);
  set(Command::UnreadAction, f.list.selectedRows > 0 && !f.list.selectedUnread);
  set(Command::BrowseAction, f.list.hasBrowseTarget);
  return s;
}

}  // namespace bq::app
