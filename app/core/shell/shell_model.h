#pragma once
// The rules behind what the desktop shell shows, as plain C++: the command
// words of a second start, the folder tree's images and captions, the
// clock, and the key that makes one instance per user and settings file.
// The widgets only map these answers.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// The caption of a site folder's node: its name, and its unread count in
// parentheses when there are unread articles and counts are shown
// ("駅前掲示板 (7)"; Shift_JIS).
std::string FolderNodeCaption(std::string_view name, int unread, bool showCount);

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

// ---- Status bar ------------------------------------------------------------

// The program's dates are local time at UTC+9 (NowDate()); every time the
// user sees is that time. Whether the machine's own zone is that one too:
// when it is not, the clock and the options dialog say "日本時間".
bool MachineInProgramZone();
// Panel 3: a blank and the time of a date as hh:mm:ss, after "日本時間"
// when namesZone (Shift_JIS). Without a date: now, named when the machine's
// zone is another.
std::string ClockText(std::uint32_t date, bool namesZone);
std::string ClockText();
// The options dialog's note beside the clock when the machine's zone is
// another (Shift_JIS); empty when it is UTC+9.
std::string ProgramZoneNotice();

// ---- Single instance -------------------------------------------------------

// The name the running instance listens on: one per user and settings file,
// so two tests with their own settings never meet, while two starts of one
// user's program always do. Only [A-Za-z0-9_-] and at most 100 characters.
std::string InstanceKey(std::string_view user, std::string_view settingsPath);

}  // namespace bq::app
