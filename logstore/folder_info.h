#pragma once
// The definition of a site folder (node file kvlnode.web) and of the log root
// (weblog.def).
//
// Node file, one value per line, CR LF:
//    1 LastRound   2 LastTopic   3 SiteUrl   4 UserName   5 LoginPassword
//    6 NickName    7 DelPass     8 RoundTarget "1"/"0"    9 ScriptName
//   10 Mailto     11 HomePage   12 HasUnread "1"/"0"
//   13 options: bit 0 TreeView, 1 HideIndex, 2 NewestReplyFirst, 3 ShowBody, 4 KeepColumns
//   14 ColumnWidths (empty unless KeepColumns)  15 SiteReferer  16 NodeReserved
// Lines 3-11 are taken as they are; lines 14-16 pass through the escape
// decoding of the record line. Numbers are read leniently. A file of fewer
// than 12 lines counts as absent; lines 13-16 read as empty when missing.
//
// Options added later follow line 16 as "Name=value" lines (value through the
// same escape decoding). Readers that know only 16 lines never look at them,
// and a folder that sets none writes exactly the 16 lines. Names this version
// does not know are kept and written back unchanged.
//
// Root definition, 4 lines: ScheduleEnabled, ScheduleHours (mask of hours),
// ScheduleMinute, the open folder's path in the record field encoding.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bq {

inline constexpr std::string_view kNodeFileName = "kvlnode.web";
inline constexpr std::string_view kRootDefName = "weblog.def";
// The later option fixing the code of the folder's pages ("文字コード"):
// "Shift_JIS", "EUC-JP", "ISO-2022-JP" or "UTF-8"; unset means the pages'
// declarations and the detectors decide.
inline constexpr std::string_view kCharsetOption = "Charset";

struct TFolderInfo {
  bool HasUnread = false;
  std::string SiteUrl;
  std::string SiteReferer;
  std::string NodeReserved;
  std::string ScriptName;
  bool RoundTarget = false;
  std::string NickName;
  std::string DelPass;
  std::string UserName;
  std::string LoginPassword;
  std::string Mailto;
  std::string HomePage;
  std::int32_t LastTopic = 0;
  std::uint32_t LastRound = 0;
  bool TreeView = false;
  bool HideIndex = false;
  bool NewestReplyFirst = false;
  bool ShowBody = false;
  bool KeepColumns = false;
  std::string ColumnWidths;
  // The "Name=value" lines after line 16, in file order.
  std::vector<std::pair<std::string, std::string>> Extensions;

  // The value of a later option; empty when it is not set.
  std::string Extension(std::string_view name) const;
  // Sets a later option; the empty value removes it.
  void SetExtension(std::string_view name, std::string_view value);

  bool operator==(const TFolderInfo&) const = default;
};

// Reads a node file's text. False (and an empty definition) when it has
// fewer than 12 lines.
bool ParseNodeFile(std::string_view text, TFolderInfo& info);
// The node file's text. Line breaks inside the one-line values would shift
// every later line, so they are written as blanks on lines 3-11 and as "\n"
// on lines 14-16, whose reader decodes escapes (backslashes are doubled there
// for the same reason).
std::string FormatNodeFile(const TFolderInfo& info);

struct RootDefinition {
  bool ScheduleEnabled = false;
  std::uint32_t ScheduleHours = 0;
  std::uint16_t ScheduleMinute = 0;
  std::string LastFolder;
};
// Missing lines read as empty (0, off).
RootDefinition ParseRootDef(std::string_view text);
std::string FormatRootDef(const RootDefinition& def);
// Line 4 is written in the record field encoding and read back with the
// field reader's quoting rules (a comma never ends it), then the escape
// decoding, so a path quoted for a blank or a comma comes back as written.
std::string DecodeRootPath(std::string_view line);

// Why a definition file's text is not in its format (empty when it is):
// fewer than 12 lines, a NUL byte, or a number or flag line holding
// something the writer never writes. An empty file is no damage (it reads
// as no definition). The reason is Shift_JIS text for the user.
std::string NodeFileDamage(std::string_view text);
std::string RootDefDamage(std::string_view text);
// The reason for a file too large to be a definition.
std::string_view TooLargeDamage();

// Three-way merges of a definition another program rewrote meanwhile: every
// field this process changed (ours differs from base, the version it read)
// comes from ours, every other field from theirs. LastTopic and LastRound
// changed on both sides take the larger value; the later options merge by
// name.
TFolderInfo MergeFolderInfo(const TFolderInfo& base, const TFolderInfo& ours, const TFolderInfo& theirs);
RootDefinition MergeRootDef(const RootDefinition& base, const RootDefinition& ours, const RootDefinition& theirs);

}  // namespace bq
