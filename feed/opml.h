#pragma once
// Subscription lists in OPML, the outline format feed readers exchange.
//
// Read (any OPML 1.0 or 2.0 file; attribute names compared exactly, as
// readers write them):
//   <opml><head><title>..</title></head><body>
//     <outline text="News" title="News">               a folder: its children
//       <outline type="rss" text="A" title="A" xmlUrl="http://a/feed"
//                htmlUrl="http://a/"/>                 a feed
//     </outline>
//     <outline type="brindlequay-script" text="B" url="http://b/"
//              script="board.pss" round="1"/>          a script folder of ours
//   </body></opml>
// Text in UTF-8 (the attributes as they came); the file's own encoding is
// read as any XML (UTF-8, Shift_JIS, EUC-JP ...). Refused as XML is (entity
// declarations, not well-formed text), and past kMaxOpmlOutlines outlines.
// Written: UTF-8 OPML 2.0, two spaces of indent per level.
#include <string>
#include <string_view>
#include <vector>

namespace bq::feed {

inline constexpr std::string_view kScriptOutlineType = "brindlequay-script";

struct Outline {
  std::string text, title, type, xmlUrl, htmlUrl;
  std::string url, script;  // a script folder's address and script file
  bool round = false;       // a script folder marked for rounds
  std::vector<Outline> children;
  bool operator==(const Outline&) const = default;
};

struct Opml {
  std::string title;
  std::vector<Outline> outlines;
  std::string error;  // empty when the whole file was read (Shift_JIS)
};

Opml ReadOpml(std::string_view bytes);
std::string WriteOpml(const Opml& opml);

}  // namespace bq::feed
