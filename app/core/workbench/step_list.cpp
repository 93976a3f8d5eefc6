// The step list with its marks: built from the editor's text, changed by
// double clicks and by the machine's position.
#include "app/core/workbench/step_list.h"

#include <cstdio>

namespace bq::app {

std::string StepEntry(int line, std::string_view text) {
  char number[16];
  std::snprintf(number, sizeof number, "%5d: ", line);
  std::string out(number);
  out.reserve(out.size() + text.size());
  for (char c : text) out += c == '\t' ? ' ' : c;
  return out;
}

void TStepList::Fill(std::string_view source) {
  entries_.clear();
  codePosition_ = -1;
  std::size_t pos = 0;
  while (pos < source.size()) {
    std::size_t eol = source.find('\n', pos);
    std::size_t next = eol == std::string_view::npos ? source.size() : eol + 1;
    std::size_t end = eol == std::string_view::npos ? source.size() : eol;
    if (end > pos && source[end - 1] == '\r') --end;
    entries_.push_back(StepEntry(Count(), source.substr(pos, end - pos)));
    pos = next;
  }
}

// A mark takes a padding blank (or replaces its own kind of mark); a digit
// of a long line number stays, so the number always reads right.
static bool MarkPlace(const std::string& entry, std::size_t at, char mark) {
  return entry.size() > at && (entry[at] == ' ' || entry[at] == mark);
}

void TStepList::ToggleBreakpoint(int index) {
  if (index < 0 || index >= Count()) return;
  std::string& e = entries_[static_cast<std::size_t>(index)];
  if (!MarkPlace(e, 1, '!')) return;
  e[1] = e[1] == ' ' ? '!' : ' ';
}

bool TStepList::HasBreakpoint(int index) const {
  if (index < 0 || index >= Count()) return false;
  const std::string& e = entries_[static_cast<std::size_t>(index)];
  return e.size() > 1 && e[1] == '!';
}

TBreakpoints TStepList::Breakpoints() const {
  TBreakpoints set;
  for (int i = 0; i < kBreakpointLines && i < Count(); ++i)
    if (HasBreakpoint(i)) set.set(static_cast<std::size_t>(i));
  return set;
}

void TStepList::SetCodePosition(int index) {
  if (codePosition_ >= 0 && codePosition_ < Count()) {
    std::string& old = entries_[static_cast<std::size_t>(codePosition_)];
    if (old[0] == '>') old[0] = ' ';
  }
  codePosition_ = index >= 0 && index < Count() ? index : -1;
  if (codePosition_ < 0) return;
  std::string& e = entries_[static_cast<std::size_t>(codePosition_)];
  if (MarkPlace(e, 0, '>')) e[0] = '>';
}

}  // namespace bq::app
