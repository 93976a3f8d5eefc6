#include "web/initfile.h"

#include <algorithm>
#include <cstdio>

#include "platform/compare.h"
#include "platform/fs.h"
#include "textlib/limits.h"
#include "textlib/csv.h"

namespace bq {
namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

bool ParseHexColor(std::string_view text, std::int32_t& out) {
  if (text.size() < 2 || text[0] != '$' || text.size() > 9) return false;
  std::uint32_t v = 0;
  for (char c : text.substr(1)) {
    int d = (c >= '0' && c <= '9') ? c - '0'
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                     : -1;
    if (d < 0) return false;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  out = static_cast<std::int32_t>(v);
  return true;
}

}  // namespace

bool ParseInt32(std::string_view text, std::int32_t& out) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  text = text.substr(b, e - b);
  bool neg = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    neg = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 10) return false;
  std::int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (neg) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

TInitFile::TInitFile(std::string fileName) : fileName_(std::move(fileName)) {
  std::string text;
  if (!fileName_.empty() && fs::ReadFile(fileName_, text, limits::kMaxSettingsFile))
    lines_ = SplitLines(text);
}

TInitFile::~TInitFile() {
  if (fileName_.empty() || !modified_) return;
  try {
    Save();
  } catch (const Exception&) {
  }
}

void TInitFile::SetText(const std::string& text) { lines_ = SplitLines(text); }

int TInitFile::IndexOfName(std::string_view name) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view line = lines_[i];
    size_t eq = line.find('=');
    if (eq != std::string_view::npos && CompareTextIgnoreCase(line.substr(0, eq), name) == 0) return static_cast<int>(i);
  }
  return -1;
}

const std::string* TInitFile::Value(std::string_view name) const {
  int i = IndexOfName(name);
  return i < 0 ? nullptr : &lines_[static_cast<size_t>(i)];
}

std::string TInitFile::ReadString(std::string_view name, std::string_view def) const {
  const std::string* line = Value(name);
  if (!line) return std::string(def);
  return line->substr(line->find('=') + 1);
}

void TInitFile::WriteString(std::string_view name, std::string_view value) {
  modified_ = true;
  int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) lines_.erase(lines_.begin() + i);
    return;
  }
  std::string line = std::string(name) + "=" + std::string(value);
  if (i >= 0)
    lines_[static_cast<size_t>(i)] = std::move(line);
  else
    lines_.push_back(std::move(line));
}

std::int32_t TInitFile::ReadInteger(std::string_view name, std::int32_t def) const {
  std::int32_t v;
  const std::string* line = Value(name);
  if (!line || !ParseInt32(std::string_view(*line).substr(line->find('=') + 1), v)) return def;
  return v;
}

void TInitFile::WriteInteger(std::string_view name, std::int32_t value) {
  WriteString(name, std::to_string(value));
}

bool TInitFile::ReadBool(std::string_view name, bool def) const {
  if (!Value(name)) return def;
  return ReadString(name, "") == "1";
}

void TInitFile::WriteBool(std::string_view name, bool value) { WriteString(name, value ? "1" : "0"); }

void TInitFile::ReadFont(std::string_view name, TFont& font) const {
  std::vector<std::string> it = CommaSplit(ReadString(name, ""), FinalComma::AddsEmptyItem);
  if (it.size() != 6) return;
  TFont f;
  f.name = it[0];
  std::int32_t charset, style, size, pitch;
  if (!ParseInt32(it[1], charset) || !ParseHexColor(it[2], f.color) || !ParseInt32(it[3], style) ||
      !ParseInt32(it[4], size) || !ParseInt32(it[5], pitch))
    return;
  f.charset = charset;
  f.style = style;
  f.size = size;
  f.pitch = pitch;
  font = f;
}

void TInitFile::WriteFont(std::string_view name, const TFont& font) {
  char color[16];
  std::snprintf(color, sizeof color, "$%06X", static_cast<unsigned>(font.color));
  WriteString(name, CommaJoin({font.name, std::to_string(font.charset), color,
                                   std::to_string(font.style), std::to_string(font.size),
                                   std::to_string(font.pitch)}));
}

TPlacement TInitFile::ReadPlacement(std::string_view name) const {
  std::vector<std::string> it = CommaSplit(ReadString(name, ""), FinalComma::AddsEmptyItem);
  TPlacement p;
  std::int32_t v[5];
  if (it.size() != 5) return p;
  for (int i = 0; i < 5; ++i)
    if (!ParseInt32(it[static_cast<size_t>(i)], v[i])) return p;
  if (v[0] < 0 || v[0] > 2) return p;
  p.state = static_cast<std::uint8_t>(v[0]);
  p.rect = {v[1], v[2], v[3], v[4]};
  return p;
}

void TInitFile::WritePlacement(std::string_view name, const TPlacement& p) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "%d,%d,%d,%d,%d", p.state, p.rect.left, p.rect.top, p.rect.right,
                p.rect.bottom);
  WriteString(name, buf);
}

void TInitFile::Sort() {
  std::stable_sort(lines_.begin(), lines_.end(),
                   [](const std::string& a, const std::string& b) {
                     std::string_view na = std::string_view(a).substr(0, a.find('='));
                     std::string_view nb = std::string_view(b).substr(0, b.find('='));
                     return CompareTextIgnoreCase(na, nb) < 0;
                   });
  modified_ = true;
}

void TInitFile::Save() { SaveAs(fileName_); }

void TInitFile::SaveAs(const std::string& fileName) {
  std::string text;
  for (const std::string& line : lines_) text += line + "\r\n";
  fs::WriteFileAtomic(fileName, text);
  modified_ = false;
}

}  // namespace bq
