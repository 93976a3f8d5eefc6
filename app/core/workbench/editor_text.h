#pragma once
// Where the workbench's Shift_JIS texts meet the editor widgets, which count
// UTF-16 units and show a line break as one character: byte spans of the
// compiler and the machine become editor spans, and text the user typed is
// checked for characters Shift_JIS cannot hold before it is saved.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace bq::app {

// The editor position of byte offset `bytes` in sjis: every character (one
// or two bytes) counts one, CR LF counts one.
std::size_t EditorOffset(std::string_view sjis, std::size_t bytes);

// A span in an editor: start and length in editor characters.
struct EditorSpan {
  std::size_t start = 0;
  std::size_t length = 0;
  bool operator==(const EditorSpan&) const = default;
};
EditorSpan EditorSpanOf(std::string_view sjis, std::size_t begin, std::size_t length);

// The first character of utf8 that has no Shift_JIS form, as its index in
// UTF-16 units, with the character itself; nothing when all can be written.
struct Unwritable {
  std::size_t index = 0;
  std::string character;  // UTF-8
};
std::optional<Unwritable> FirstUnwritable(std::string_view utf8);

// The message that refuses to save such a text (Shift_JIS):
// "「U+XXXX」(N 文字目) はシフトJISで書けないため保存できません".
std::string UnwritableMessage(const Unwritable& u);

// The editor text (UTF-8, lines ended by LF) as the system keeps it:
// Shift_JIS with CR LF line ends.
std::string EditorToSjis(std::string_view utf8);
// A script file's bytes as the editor shows them: UTF-8 with LF line ends.
std::string SjisToEditor(std::string_view sjis);

}  // namespace bq::app
