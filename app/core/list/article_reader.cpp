// The reader's fields, quote blocks and links.
#include "app/core/list/article_reader.h"

#include <algorithm>

#include "app/core/list/article_list.h"
#include "textlib/strutil.h"

namespace bq::app {
namespace {

constexpr std::string_view kFullWidthQuote = "\x81\x84";  // ＞

struct Line {
  std::size_t begin, end, next;  // content [begin, end); next line starts at next
};

std::vector<Line> SplitLines(std::string_view body) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos <= body.size()) {
    std::size_t nl = body.find('\n', pos);
    if (nl == std::string_view::npos) {
      lines.push_back({pos, body.size(), body.size() + 1});
      break;
    }
    const std::size_t end = nl > pos && body[nl - 1] == '\r' ? nl - 1 : nl;
    lines.push_back({pos, end, nl + 1});
    pos = nl + 1;
  }
  return lines;
}

bool IsUrlByte(unsigned char c) {
  if (c <= 0x20 || c >= 0x7f) return false;
  return std::string_view("\"<>\\^`{|}").find(static_cast<char>(c)) == std::string_view::npos;
}

}  // namespace

bool IsQuoteLine(std::string_view line) {
  return (!line.empty() && line[0] == '>') || line.substr(0, 2) == kFullWidthQuote;
}

std::vector<QuoteBlock> QuoteBlocks(std::string_view body) {
  std::vector<QuoteBlock> blocks;
  for (const Line& l : SplitLines(body)) {
    const std::string_view text = body.substr(l.begin, l.end - l.begin);
    if (text.empty() && !blocks.empty()) continue;  // joins the block before it
    const bool quote = IsQuoteLine(text);
    if (blocks.empty() || blocks.back().quote != quote) {
      blocks.push_back({l.begin, l.end, quote});
    } else {
      blocks.back().end = l.end;
    }
  }
  return blocks;
}

std::vector<std::pair<std::size_t, std::size_t>> FindLinks(std::string_view text) {
  std::vector<std::pair<std::size_t, std::size_t>> links;
  std::size_t pos = 0;
  while (true) {
    const std::size_t at = SearchSjis(text, "http", pos);
    if (at == std::string_view::npos) break;
    std::size_t p = at + 4;
    if (p < text.size() && text[p] == 's') ++p;
    if (text.substr(p, 3) != "://") {
      pos = at + 4;
      continue;
    }
    std::size_t end = p + 3;
    while (end < text.size() && IsUrlByte(static_cast<unsigned char>(text[end]))) ++end;
    // Punctuation closing a sentence is not part of the address.
    while (end > p + 3 && std::string_view(".,;:!?)'").find(text[end - 1]) != std::string_view::npos) --end;
    if (end > p + 3) links.emplace_back(at, end);
    pos = end;
  }
  return links;
}

std::vector<BodyRun> BodyRuns(std::string_view body) {
  std::vector<BodyRun> runs;
  auto addText = [&](std::size_t begin, std::size_t end, BodyRun::Kind kind) {
    const std::string_view part = body.substr(begin, end - begin);
    std::size_t pos = 0;
    for (const auto& [lb, le] : FindLinks(part)) {
      if (lb > pos) runs.push_back({std::string(part.substr(pos, lb - pos)), kind, false});
      runs.push_back({std::string(part.substr(lb, le - lb)), kind, true});
      pos = le;
    }
    if (pos < part.size()) runs.push_back({std::string(part.substr(pos)), kind, false});
  };
  std::size_t done = 0;
  for (const QuoteBlock& b : QuoteBlocks(body)) {
    if (b.begin > done) runs.push_back({std::string(body.substr(done, b.begin - done)), BodyRun::Break, false});
    addText(b.begin, b.end, b.quote ? BodyRun::Quote : BodyRun::Normal);
    done = b.end;
  }
  if (done < body.size()) runs.push_back({std::string(body.substr(done)), BodyRun::Break, false});
  return runs;
}

bool IsBrowsableAddress(std::string_view selected) {
  const std::string_view t = TrimBlanks(selected);
  // A selection running on past the address into other words is not one.
  if (std::any_of(t.begin(), t.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20; })) return false;
  const std::size_t sep = t.find("://");
  if (sep == std::string_view::npos) return false;
  const std::string_view scheme = t.substr(0, sep);
  if (scheme != "http" && scheme != "https") return false;
  const std::string_view rest = t.substr(sep + 3);
  const std::size_t slash = rest.find('/');
  return slash != std::string_view::npos && slash > 0;
}

ReaderView ReaderViewOf(const TScrapList& log, int index) {
  ReaderView v;
  if (index < 0 || index >= log.Count()) return v;
  const ArticleView a = log.View(index);
  v.subject = a.TITLE;
  v.person = a.AUTHOR;
  if (!TrimBlanks(a.MAILTO).empty()) v.person += " <" + std::string(a.MAILTO) + ">";
  v.date = ListDateText(a.DATE);
  if (!TrimBlanks(a.HOST).empty()) v.date += " (" + std::string(a.HOST) + ")";
  v.showHomePage = !TrimBlanks(a.HP).empty();
  v.homePage = a.HP;
  v.showLink = !TrimBlanks(a.LINK).empty();
  if (v.showLink) v.linkTarget = log.ConvertLogPath(a.LINK);
  v.pageUrl = a.PAGEURL;
  v.body = a.BODY;
  v.runs = BodyRuns(a.BODY);
  return v;
}

}  // namespace bq::app
