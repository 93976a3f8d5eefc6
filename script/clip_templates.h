#pragma once
// Clip templates as a script declares them: a name and the steps that walk
// one repeated record of a page. Each step covers the text up to its
// delimiter (a literal text or a pattern) and either skips it or captures it
// into a variable. The compiler declares the templates and binds capture
// steps to variable slots; the list operations apply them.
//
// Body forms (left to right, "pending" is the text read since the last marker):
//   ${NAME}      capture step for NAME (ASCII letters, '@', ',', ':')
//   \*           cut: pending text ends the current step, a skip step follows
//   !{PAT}!      pattern delimiter PAT (the rest of the body when "}!" is missing)
//   \ CR LF      line continuation;  \c  the character c
//   anything else (a double-byte character as a whole) is pending text
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bq::script {

struct TClipItem {
  bool Capture = false;      // capture step (else skip)
  bool Pattern = false;      // delimiter searched as a pattern (else literal)
  std::int32_t Slot = -1;    // variable slot of a capture, set by the compiler
  std::string Name;          // capture's variable name as written
  std::string Delimiter;
};

struct TClipTemplate {
  std::string Name;
  std::vector<TClipItem> Items;
};

class TClipTemplates {
 public:
  // Reads body into steps under name; an existing template of that name
  // (exact compare) gets the new steps and keeps its place.
  TClipTemplate& Declare(std::string_view name, std::string_view body);
  const TClipTemplate* ByName(std::string_view name) const;
  const TClipTemplate* ByIndex(std::size_t i) const { return i < list_.size() ? &list_[i] : nullptr; }
  std::size_t Count() const { return list_.size(); }
  void Clear() { list_.clear(); }

 private:
  std::vector<TClipTemplate> list_;
};

// One line per step: capture name or "*", "!" for a pattern, ":", the
// delimiter with CR LF written as \n, then CR LF.
std::string DumpClipTemplate(const TClipTemplate& t);

// The steps of a body (exposed for tests and the debug view).
std::vector<TClipItem> ParseClipBody(std::string_view body);

}  // namespace bq::script
