#pragma once
// The workbench's step list: one entry per source line, "%5d: %s" with the
// line counted from 0 and tabs shown as blanks. The first character carries
// the current-line mark ">", the second the breakpoint mark "!"; both take
// the place of padding blanks and never of a digit of the number.
#include <bitset>
#include <string>
#include <string_view>
#include <vector>

namespace bq::app {

// Breakpoints can be set on lines 0 to 255 only.
inline constexpr int kBreakpointLines = 256;
using TBreakpoints = std::bitset<kBreakpointLines>;

class TStepList {
 public:
  // One entry per line of source (Shift_JIS, lines ended by CR LF or LF);
  // every mark cleared, no code position.
  void Fill(std::string_view source);
  const std::vector<std::string>& Entries() const { return entries_; }
  int Count() const { return static_cast<int>(entries_.size()); }

  // Double click on an entry: a blank breakpoint mark becomes "!", a "!"
  // becomes blank. Entries outside the list are ignored.
  void ToggleBreakpoint(int index);
  bool HasBreakpoint(int index) const;
  // The entries 0 to 255 that carry "!" (marks further down have no effect).
  TBreakpoints Breakpoints() const;

  // The index of the entry marked ">", or -1.
  int CodePosition() const { return codePosition_; }
  // Moves the ">" mark; -1 (or a line outside the list) clears it.
  void SetCodePosition(int index);

 private:
  std::vector<std::string> entries_;
  int codePosition_ = -1;
};

// "%5d: %s" for one line, tabs replaced by blanks.
std::string StepEntry(int line, std::string_view text);

}  // namespace bq::app
