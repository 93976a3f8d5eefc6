#pragma once
// The script writers' guide (Japanese): how values, variables, functions,
// clip templates, patterns, dates, articles and threads behave, and every
// warning of the compiler with its fix. Its text is written as HTML
// (doc/script-guide.html); this turns it into the page shipped in help/:
//
//   <pre class="example" data-check="r" data-expect="5" [data-warn="tag ..."]>
//   SCRIPT ex; ... END.</pre>
//       an example: a whole script. The page shows it with the value of the
//       variable after a run and, with data-warn, the warnings the compiler
//       gives for it. The tests run every example (the page of
//       GuideSamplePage at %URL%) and check both. data-error="message"
//       instead of a variable and its value: the run ends with that error.
//   <!-- warning TAG -->
//       the heading and fix of that warning, from the compiler's table.
//   <!-- warnings -->
//       the table of every warning, linked to their sections.
//   <!-- sample page -->
//       the sample page the examples fetch.
//
// Texts here are UTF-8, the page's encoding.
#include <string>
#include <string_view>
#include <vector>

namespace bq::app {

struct TGuideExample {
  std::string script;                // the example as it runs (UTF-8, LF lines)
  std::string check;                 // the variable whose value is stated
  std::string expected;              // its value after the run, as text
  std::string error;                 // or the message the run ends with
  std::vector<std::string> warnings; // the tags of the warnings it gives, in order
  int line = 0;                      // its line in the guide's source (1-based)
};

// The examples of the guide's source, in order.
std::vector<TGuideExample> GuideExamples(std::string_view source);

// The page of the guide's source.
std::string GuideHtml(std::string_view source);

// The page every example's GET(%URL%) fetches (UTF-8; served as Shift_JIS).
std::string_view GuideSamplePage();

}  // namespace bq::app
