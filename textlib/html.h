#pragma once
// HTML to readable plain text: the tag action table that says what each tag
// does, the strip conversion, entity decoding, finding the end of a tag and
// the tag case changer. All text is Shift_JIS; a lead byte and the byte after
// it are one character throughout.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace bq {

// What a tag does when it opens or closes.
enum TagActionCode : unsigned char {
  kTagNothing = 0,
  kTagSuppress = 1,      // text is dropped until a closing suppress tag
  kTagDiscard = 2,       // everything produced so far is thrown away
  kTagBreak = 3,         // flush, line break
  kTagComma = 4,         // "," to the pending text
  kTagSpace = 5,         // " " to the pending text
  kTagBr = 6,            // flush, line break unless in a table with kStripNoTableBr
  kTagHr = 7,            // flush, line break unless in a table with kStripNoTableHr
  kTagCell = 8,          // flush, cell separator
  kTagColor = 9,         // "~" COLOR value "'" on open, "@" on close
  kTagClass = 10,        // the same with the CLASS attribute
  kTagPre = 30,          // preformatted region
  kTagListItem = 31,     // bullet or number line
  kTagNumberedList = 33, // numbered list
  kTagTable = 34,        // table level
};

// Bits of the strip mode (@SMR).
inline constexpr unsigned kStripCellComma = 1;  // cells end in "," instead of " "
inline constexpr unsigned kStripNoTableBr = 2;  // BR inside tables gives no line break
inline constexpr unsigned kStripNoTableHr = 4;  // HR inside tables gives no line break

// One row of the table: the key is the upper-case tag name between colons.
struct TagAction {
  std::string key;
  unsigned char open = kTagNothing;
  unsigned char close = kTagNothing;
};

// The ordered table of tag actions. The application owns one; it starts as
// the default table and a machine reset puts it back with Reset().
class TagActionTable {
 public:
  TagActionTable();

  // Back to the default table, built from empty.
  void Reset();
  void Clear();
  // TAGSTRIPSET: every name of the ':'-separated list gets the two codes.
  // Codes outside 0-255 become kTagNothing.
  void Set(std::string_view tags, long open = 0, long close = 0);
  // The row whose key is exactly `key` (for example ":TD:"), or nullptr.
  const TagAction* Find(std::string_view key) const;
  const std::vector<TagAction>& entries() const { return entries_; }
  std::size_t longest_key() const { return longest_key_; }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  void SetKey(std::string key, unsigned char open, unsigned char close);

  std::vector<TagAction> entries_;
  std::unordered_map<std::string, std::size_t, Hash, std::equal_to<>> index_;
  std::size_t longest_key_ = 0;
};

// The plain text of an HTML text under the table and strip mode (STRIP).
std::string StripHtml(std::string_view html, const TagActionTable& table, unsigned mode);

// Decodes &amp; &lt; &gt; &quot; &nbsp; &copy; (names without case), in that
// order, each over the whole text; &amp;lt; thus becomes "<".
std::string DecodeHtmlEntities(std::string_view text);

// The index of the '>' that ends the tag whose text starts at pos (just after
// '<'), or text.size() when it runs to the end. A comment "<!--" ends at the
// first "-->" after it when there is one. `no_comment_end_from`, when given,
// carries between calls the position from which "-->" is known to be absent
// (start it at npos), so a scanner stays linear over many open comments.
// `ended_in_quote`, when given, tells whether a quote was still open when the
// tag ended: a '>' inside a quoted value ended it early.
std::size_t FindTagEnd(std::string_view text, std::size_t pos, std::size_t* no_comment_end_from = nullptr,
                       bool* ended_in_quote = nullptr);
// As FindTagEnd, and tab, LF and CR inside the tag are overwritten with spaces.
std::size_t FindTagEndBlanking(std::string& text, std::size_t pos, std::size_t* no_comment_end_from = nullptr);

// The value of attribute `name` (ASCII, compared without case) in the text
// of a tag (between '<' and '>'); empty when absent.
std::string HtmlTagAttribute(std::string_view tag, std::string_view name);

// TAGUPPERCASE: ASCII letters inside tags become upper (or lower) case;
// quoted parts, double-byte characters and tags starting with '!' stay.
std::string TagUpperCase(std::string_view text, bool upper);

}  // namespace bq
