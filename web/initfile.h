#pragma once
// The settings file: flat NAME=value lines in Shift_JIS, no sections. Names
// are looked up without regard to case; an empty value removes its line.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bq {

// A font as the settings file stores it: six comma-text items.
struct TFont {
  std::string name = "Sans";
  int charset = 128;            // the Japanese character set
  std::int32_t color = 0;       // written as "$" and at least six hex digits
  int style = 0;                // 1 bold, 2 italic, 4 underline, 8 strike-out
  int size = 10;                // points
  int pitch = 0;                // 0 default, 1 variable, 2 fixed
  bool operator==(const TFont&) const = default;
};

struct TRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const TRect&) const = default;
};

// Window states as stored: 0 normal, 1 minimised, 2 maximised.
enum TWindowState : std::uint8_t { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

struct TPlacement {
  TRect rect;
  std::uint8_t state = wsNormal;
  bool operator==(const TPlacement&) const = default;
};

// Parses decimal text (blanks around it allowed, optional sign) into a
// 32-bit integer; false when it is not one.
bool ParseInt32(std::string_view text, std::int32_t& out);

class TInitFile {
 public:
  TInitFile() = default;
  // Loads the file when it exists.
  explicit TInitFile(std::string fileName);
  // Saves when a name is set and something was written; a failure here is
  // swallowed (call Save first to see it).
  ~TInitFile();
  TInitFile(const TInitFile&) = delete;
  TInitFile& operator=(const TInitFile&) = delete;

  std::int32_t ReadInteger(std::string_view name, std::int32_t def) const;
  void WriteInteger(std::string_view name, std::int32_t value);
  bool ReadBool(std::string_view name, bool def) const;
  void WriteBool(std::string_view name, bool value);
  std::string ReadString(std::string_view name, std::string_view def) const;
  void WriteString(std::string_view name, std::string_view value);
  // Leaves the font as it was unless the value splits into six valid items.
  void ReadFont(std::string_view name, TFont& font) const;
  void WriteFont(std::string_view name, const TFont& font);
  // Five items; anything else gives state 0 and an empty rectangle.
  TPlacement ReadPlacement(std::string_view name) const;
  void WritePlacement(std::string_view name, const TPlacement& placement);

  // Sorts the lines by name without regard to case.
  void Sort();
  // Writes the lines with CR LF through an atomic replace; throws FileError.
  void Save();
  // The same to another file name.
  void SaveAs(const std::string& fileName);

  // Replaces the lines by those of text (CR LF, CR or LF line ends).
  void SetText(const std::string& text);
  const std::vector<std::string>& Lines() const { return lines_; }
  bool Modified() const { return modified_; }

 private:
  // Index of the line for name, or -1.
  int IndexOfName(std::string_view name) const;
  const std::string* Value(std::string_view name) const;

  std::string fileName_;
  std::vector<std::string> lines_;
  bool modified_ = false;
};

}  // namespace bq
