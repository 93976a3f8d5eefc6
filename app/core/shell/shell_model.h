#pragma once
// The rules behind what the desktop shell shows, as plain C++: the command
// words of a second start, the folder tree's images and captions, which
// folder actions are enabled, the status bar texts and the clock, the
// schedule switch's caption, and the key that makes one instance per user
// and settings file. The widgets only map these answers.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bq {
class TScrapList;
}

namespace bq::app {

// ---- Command words ---------------------------------------------------------

enum class CommandWord { None, Show, Run, Folder, All, Quit };

// The first of SHOW, RUN, FOLDER, ALL, QUIT that is a prefix of text,
// ignoring the case of ASCII letters; None for any other text.
CommandWord MatchCommandWord(std::string_view text);

// ---- Folder tree -----------------------------------------------------------

// The caption of the top node, which stands for the log root (Shift_JIS).
const std::string& RootCaption();

// The image of a node: 0 for the top node; otherwise 1 plain, 3 unread,
// plus 4 for a round target, plus 1 when selected (1..8).
int FolderImageIndex(bool isTop, bool hasUnread, bool roundTarget, bool selected);

// Names of the subfolders of path ('.' and '..' and plain files skipped),
// sorted alphabetically ignoring letter case.
std::vector<std::string> SubfolderNames(std::string_view path);
bool HasSubfolders(std::string_view path);

// A node's path: the log root followed by the captions from the first level
// down, each with a trailing '/'. An empty caption list is the log root.
std::string NodePath(std::string_view logRoot, const std::vector<std::string>& captions);
// The captions leading from the log root to path (compared ignoring case
// for the root part); empty when path is the root or lies outside it.
std::vector<std::string> NodeCaptions(std::string_view logRoot, std::string_view path);

// ---- Enabled actions of the folder tree ------------------------------------

struct FolderActionState {
  bool busy = false;            // a round, fetch or script run is going on
  bool nodeSelected = false;    // some node of the tree is selected
  bool openIsRoot = true;       // the open folder is the log root itself
  bool editingCaption = false;  // a caption is being edited in the tree
};

struct FolderActions {
  bool newFolder = false;
  bool rename = false;
  bool deleteFolder = false;
  bool roundTarget = false;  // the round-target mark
  bool captionEditing = false;
};

FolderActions EnabledFolderActions(const FolderActionState& s);

// The data-folder history's "next" button and menu have something to offer.
bool HistoryActionsEnabled(std::size_t existingEntries, bool busy);

// ---- Status bar ------------------------------------------------------------

struct StatusTexts {
  std::string panel0;     // "LoadTime: %d ms"
  std::string panel1;     // latest article or last round, by the setting
  std::string itemLabel;  // "【未読: %d / %d 項目】"
  bool selectionLabelVisible = false;
};

// The status texts after a folder was opened or read; statusDisp is the
// "ステータス表示" choice (0 latest article, 1 last round). Shift_JIS.
StatusTexts FolderStatusTexts(const TScrapList& log, int statusDisp);

// Panel 3: a blank and the time as hh:mm:ss.
std::string ClockText(int hour, int minute, int second);

// ---- Single instance -------------------------------------------------------

// The name the running instance listens on: one per user and settings file,
// so two tests with their own settings never meet, while two starts of one
// user's program always do. Only [A-Za-z0-9_-] and at most 100 characters.
std::string InstanceKey(std::string_view user, std::string_view settingsPath);

}  // namespace bq::app
