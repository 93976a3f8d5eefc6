#include "logstore/folder_info.h"

#include <vector>

#include "textlib/csv.h"

namespace bq {
namespace {

constexpr std::size_t kNodeLines = 16;
constexpr std::size_t kNodeMinLines = 12;
// Later options read after line 16; a file with more lines is cut there.
constexpr std::size_t kMaxNodeExtensions = 64;
constexpr std::uint32_t kHourMask = 0xFFFFFF;

// Lines as a text list holds them: LF or CR LF ended; a last line without an
// end counts, an empty remainder after the final line end does not.
std::vector<std::string_view> SplitLines(std::string_view text, std::size_t maxLines) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < text.size() && lines.size() < maxLines) {
    std::size_t lf = text.find('\n', pos);
    std::size_t end = lf == std::string_view::npos ? text.size() : lf;
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    pos = lf == std::string_view::npos ? text.size() : lf + 1;
  }
  return lines;
}

std::string OneLine(std::string_view value) {
  std::string out(value);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

// Escapes just what the escape decoding would otherwise change or what would
// break the line: backslashes, tabs and line breaks.
std::string DecodableLine(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
      out += "\\n";
      ++i;
    } else if (c == '\r' || c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
      // Keep a double-byte pair whole so its trail byte is never escaped.
      const unsigned char u = static_cast<unsigned char>(c);
      const unsigned char t = i + 1 < value.size() ? static_cast<unsigned char>(value[i + 1]) : 0;
      if (((u >= 0x81 && u <= 0x9F) || (u >= 0xE0 && u <= 0xFC)) && t >= 0x40 && t <= 0xFC) {
        out += value[++i];
      }
    }
  }
  return out;
}

std::string Flag(bool b) { return b ? "1" : "0"; }

}  // namespace

bool ParseNodeFile(std::string_view text, TFolderInfo& info) {
  info = TFolderInfo{};
  std::vector<std::string_view> l = SplitLines(text, kNodeLines + kMaxNodeExtensions);
  if (l.size() < kNodeMinLines) return false;
  for (std::size_t i = kNodeLines; i < l.size(); ++i) {
    const std::size_t eq = l[i].find('=');
    if (eq == 0 || eq == std::string_view::npos) continue;
    info.SetExtension(l[i].substr(0, eq), CsvUnescape(l[i].substr(eq + 1)));
  }
  l.resize(kNodeLines);
  info.LastRound = static_cast<std::uint32_t>(LenientInteger(l[0]));
  info.LastTopic = static_cast<std::int32_t>(static_cast<std::uint32_t>(LenientInteger(l[1])));
  info.SiteUrl = l[2];
  info.UserName = l[3];
  info.LoginPassword = l[4];
  info.NickName = l[5];
  info.DelPass = l[6];
  info.RoundTarget = l[7] == "1";
  info.ScriptName = l[8];
  info.Mailto = l[9];
  info.HomePage = l[10];
  info.HasUnread = l[11] == "1";
  const std::int64_t options = LenientInteger(l[12]);
  info.TreeView = options & 1;
  info.HideIndex = options & 2;
  info.NewestReplyFirst = options & 4;
  info.ShowBody = options & 8;
  info.KeepColumns = options & 16;
  info.ColumnWidths = CsvUnescape(l[13]);
  info.SiteReferer = CsvUnescape(l[14]);
  info.NodeReserved = CsvUnescape(l[15]);
  return true;
}

std::string FormatNodeFile(const TFolderInfo& f) {
  const int options = (f.TreeView ? 1 : 0) | (f.HideIndex ? 2 : 0) | (f.NewestReplyFirst ? 4 : 0) |
                      (f.ShowBody ? 8 : 0) | (f.KeepColumns ? 16 : 0);
  const std::string lines[kNodeLines] = {
      std::to_string(f.LastRound),
      std::to_string(static_cast<std::uint32_t>(f.LastTopic)),
      OneLine(f.SiteUrl),
      OneLine(f.UserName),
      OneLine(f.LoginPassword),
      OneLine(f.NickName),
      OneLine(f.DelPass),
      Flag(f.RoundTarget),
      OneLine(f.ScriptName),
      OneLine(f.Mailto),
      OneLine(f.HomePage),
      Flag(f.HasUnread),
      std::to_string(options),
      f.KeepColumns ? DecodableLine(f.ColumnWidths) : std::string(),
      DecodableLine(f.SiteReferer),
      DecodableLine(f.NodeReserved),
  };
  std::string out;
  for (const std::string& line : lines) {
    out += line;
    out += "\r\n";
  }
  for (const auto& [name, value] : f.Extensions) {
    out += OneLine(name);
    out += '=';
    out += DecodableLine(value);
    out += "\r\n";
  }
  return out;
}

std::string TFolderInfo::Extension(std::string_view name) const {
  for (const auto& [n, value] : Extensions)
    if (n == name) return value;
  return {};
}

void TFolderInfo::SetExtension(std::string_view name, std::string_view value) {
  for (auto it = Extensions.begin(); it != Extensions.end(); ++it) {
    if (it->first != name) continue;
    if (value.empty()) {
      Extensions.erase(it);
    } else {
      it->second = value;
    }
    return;
  }
  if (!value.empty() && !name.empty() && name.find('=') == std::string_view::npos)
    Extensions.emplace_back(name, value);
}

// The quoting rules of the record field reader, but a comma never ends the
// path: '"' toggles a quoted section, '""' stands for '"'.
std::string DecodeRootPath(std::string_view line) {
  std::string unquoted;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '"') {
      unquoted += line[i];
    } else if (i + 1 < line.size() && line[i + 1] == '"') {
      unquoted += '"';
      ++i;
    }
  }
  return CsvUnescape(unquoted);
}

RootDefinition ParseRootDef(std::string_view text) {
  std::vector<std::string_view> l = SplitLines(text, 4);
  l.resize(4);
  RootDefinition d;
  d.ScheduleEnabled = l[0] == "1";
  d.ScheduleHours = static_cast<std::uint32_t>(LenientInteger(l[1])) & kHourMask;
  const std::int64_t minute = LenientInteger(l[2]);
  d.ScheduleMinute = static_cast<std::uint16_t>(minute < 0 || minute > 59 ? 0 : minute);
  d.LastFolder = DecodeRootPath(l[3]);
  return d;
}

std::string FormatRootDef(const RootDefinition& d) {
  return Flag(d.ScheduleEnabled) + "\r\n" + std::to_string(d.ScheduleHours & kHourMask) + "\r\n" +
         std::to_string(d.ScheduleMinute) + "\r\n" + CsvEscape(d.LastFolder) + "\r\n";
}

namespace {

// 行が足りません / 形式が正しくありません / 大きすぎます
constexpr std::string_view kTooFewLines = "\x8d\x73\x82\xaa\x91\xab\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
constexpr std::string_view kNotInFormat =
    "\x8c\x60\x8e\xae\x82\xaa\x90\xb3\x82\xb5\x82\xad\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
constexpr std::string_view kTooLarge = "\x91\xe5\x82\xab\x82\xb7\x82\xac\x82\xdc\x82\xb7";

bool IsNumberLine(std::string_view line) {
  if (!line.empty() && line[0] == '-') line.remove_prefix(1);
  return !line.empty() && line.find_first_not_of("0123456789") == std::string_view::npos;
}
bool IsFlagLine(std::string_view line) { return line == "0" || line == "1"; }

}  // namespace

std::string_view TooLargeDamage() { return kTooLarge; }

std::string NodeFileDamage(std::string_view text) {
  if (text.empty()) return {};
  if (text.find('\0') != std::string_view::npos) return std::string(kNotInFormat);
  const std::vector<std::string_view> l = SplitLines(text, kNodeMinLines + 1);
  if (l.size() < kNodeMinLines) return std::string(kTooFewLines);
  const bool options = l.size() <= 12 || l[12].empty() || IsNumberLine(l[12]);
  if (!IsNumberLine(l[0]) || !IsNumberLine(l[1]) || !IsFlagLine(l[7]) || !IsFlagLine(l[11]) || !options)
    return std::string(kNotInFormat);
  return {};
}

std::string RootDefDamage(std::string_view text) {
  if (text.empty()) return {};
  if (text.find('\0') != std::string_view::npos) return std::string(kNotInFormat);
  const std::vector<std::string_view> l = SplitLines(text, 3);
  const bool ok = (l.size() < 1 || IsFlagLine(l[0])) && (l.size() < 2 || IsNumberLine(l[1])) &&
                  (l.size() < 3 || IsNumberLine(l[2]));
  return ok ? std::string() : std::string(kNotInFormat);
}

namespace {

// base -> ours changed: ours; else theirs (already in out).
template <typename T>
void TakeOurs(TFolderInfo& out, const TFolderInfo& base, const TFolderInfo& ours, T TFolderInfo::*field) {
  if (ours.*field != base.*field) out.*field = ours.*field;
}

template <typename T>
T Larger(T a, T b) {
  return static_cast<std::uint32_t>(a) >= static_cast<std::uint32_t>(b) ? a : b;
}

}  // namespace

TFolderInfo MergeFolderInfo(const TFolderInfo& base, const TFolderInfo& ours, const TFolderInfo& theirs) {
  TFolderInfo out = theirs;
  for (bool TFolderInfo::*f : {&TFolderInfo::HasUnread, &TFolderInfo::RoundTarget, &TFolderInfo::TreeView,
                               &TFolderInfo::HideIndex, &TFolderInfo::NewestReplyFirst, &TFolderInfo::ShowBody,
                               &TFolderInfo::KeepColumns})
    TakeOurs(out, base, ours, f);
  for (std::string TFolderInfo::*f :
       {&TFolderInfo::SiteUrl, &TFolderInfo::SiteReferer, &TFolderInfo::NodeReserved, &TFolderInfo::ScriptName,
        &TFolderInfo::NickName, &TFolderInfo::DelPass, &TFolderInfo::UserName, &TFolderInfo::LoginPassword,
        &TFolderInfo::Mailto, &TFolderInfo::HomePage, &TFolderInfo::ColumnWidths})
    TakeOurs(out, base, ours, f);
  if (ours.LastTopic != base.LastTopic)
    out.LastTopic = theirs.LastTopic != base.LastTopic ? Larger(ours.LastTopic, theirs.LastTopic) : ours.LastTopic;
  if (ours.LastRound != base.LastRound)
    out.LastRound = theirs.LastRound != base.LastRound ? Larger(ours.LastRound, theirs.LastRound) : ours.LastRound;
  for (const auto* side : {&base, &ours}) {
    for (const auto& entry : side->Extensions) {
      const std::string& name = entry.first;
      const std::string mine = ours.Extension(name);
      if (mine != base.Extension(name)) out.SetExtension(name, mine);
    }
  }
  return out;
}

RootDefinition MergeRootDef(const RootDefinition& base, const RootDefinition& ours, const RootDefinition& theirs) {
  RootDefinition out = theirs;
  if (ours.ScheduleEnabled != base.ScheduleEnabled) out.ScheduleEnabled = ours.ScheduleEnabled;
  if (ours.ScheduleHours != base.ScheduleHours) out.ScheduleHours = ours.ScheduleHours;
  if (ours.ScheduleMinute != base.ScheduleMinute) out.ScheduleMinute = ours.ScheduleMinute;
  if (ours.LastFolder != base.LastFolder) out.LastFolder = ours.LastFolder;
  return out;
}

}  // namespace bq
