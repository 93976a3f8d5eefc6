#pragma once
// An article body split into the lines the reader shows, each marked as
// quoted or not: a line opening with ">" or with its full-width form "＞" is
// a quote, consecutive lines of one kind form one block, and an empty line
// belongs to the block before it (so a blank line after a quote stays with
// the quote). Text is Shift_JIS; lines are separated by CR LF (a lone LF is
// taken as a break too).
#include <string>
#include <string_view>
#include <vector>

namespace bq::app {

struct BodyLine {
  std::string text;
  bool quote = false;
};

// The same quote rule as the reader's colouring (IsQuoteLine, QuoteBlocks),
// line by line for a terminal.
std::vector<BodyLine> BodyLines(std::string_view body);

}  // namespace bq::app
