#pragma once
// Which commands are enabled and checked, computed in one pass from the
// busy state and the facts the rules look at. The shell gathers the facts
// (the application, the article list and its own tree and tray give theirs)
// and applies the answer to its widgets; nothing else enables a command.
#include <array>
#include <string_view>

#include "app/core/shell/commands.h"

namespace bq::app {

struct ShellFacts {
  // The busy state (see busy_state.h).
  struct Run {
    bool busy = false;
    bool stoppable = false;
  } run;
  // The open folder and the application (see TApplication::Facts).
  struct Folder {
    bool isLogRoot = true;  // the log root itself, or no folder open
    bool roundTarget = false;
    int logCount = 0;
    bool hasExport = false;  // the compiled script defines EXPORT
    bool scheduleOn = false;
    bool runFromCache = false;
  } folder;
  // The article list's selection and search.
  struct List {
    int selectedRows = 0;
    bool selectedUnread = false;  // some selected article is unread
    bool hasSearchText = false;
    bool hasBrowseTarget = false;
  } list;
  // The folder tree.
  struct Tree {
    bool nodeSelected = false;
    bool editingCaption = false;
  } tree;
  // The program's surroundings, known once at start or when they change.
  struct Program {
    bool trayAvailable = false;
    bool helpAvailable = false;
    int historyEntries = 0;
    bool guideAvailable = false;  // the script writers' guide beside the help page
    bool developerMode = false;   // the settings' access code
  } program;
};

struct CommandStates {
  std::array<bool, kCommandCount> enabled{};
  std::array<bool, kCommandCount> checked{};
  bool panelsEnabled = true;   // the folder tree, the message panel, the list's operation bar
  bool captionEditing = false; // subfolder captions may be edited in the tree
  bool codeButtonShown = false; // ChangeView stands in its places (developer mode)
  bool waitCursor = false;
  std::string_view timerSwitchCaption;  // "ON " or "OFF"
  Image timerSwitchImage = Image::SwitchOff;

  bool Enabled(Command c) const { return enabled[static_cast<std::size_t>(c)]; }
  bool Checked(Command c) const { return checked[static_cast<std::size_t>(c)]; }
};

CommandStates EvaluateCommands(const ShellFacts& facts);

}  // namespace bq::app
