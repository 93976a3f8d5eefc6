#pragma once
// The reader under the article list: the fields of the selected article, and
// its body cut into runs a rich-text view colours (quoted blocks) and links
// (http/https addresses). Texts are Shift_JIS.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "logstore/scrap_list.h"

namespace bq::app {

// One piece of the body, in order; together the runs give the body back.
struct BodyRun {
  enum Kind { Normal, Quote, Break };
  std::string text;
  Kind kind = Normal;  // Break: line breaks that end a block, never coloured
  bool link = false;   // an http/https address
};

// A coloured block: [begin, end) of the body, quoted or not.
struct QuoteBlock {
  std::size_t begin = 0, end = 0;
  bool quote = false;
};

struct ReaderView {
  std::string subject;
  std::string person;     // AUTHOR, then " <MAILTO>" when there is one
  std::string date;       // display date, then " (HOST)" when there is one
  std::string homePage;   // HP: the button shows when not blank, its hint is the address
  std::string linkTarget; // LINK in its absolute form: the link button's hint
  std::string pageUrl;    // status panel 2
  std::string body;
  std::vector<BodyRun> runs;
  bool showHomePage = false;
  bool showLink = false;
};

// A line quoting another article: it begins with ">" or its full-width form.
bool IsQuoteLine(std::string_view line);
// Lines of one kind in a row form a block; an empty line belongs to the block
// before it; the line breaks ending a block lie outside it.
std::vector<QuoteBlock> QuoteBlocks(std::string_view body);
// The http/https addresses in a text as [begin, end) byte ranges.
std::vector<std::pair<std::size_t, std::size_t>> FindLinks(std::string_view text);
std::vector<BodyRun> BodyRuns(std::string_view body);
// "ブラウザで開く" applies: after trimming blanks, "http" or "https", then
// "://", then a non-empty host ended by "/", and no blank inside.
bool IsBrowsableAddress(std::string_view selected);

// The reader for an article of the log; empty when the index is out of range.
ReaderView ReaderViewOf(const TScrapList& log, int index);

}  // namespace bq::app
