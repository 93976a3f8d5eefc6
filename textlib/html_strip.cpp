// STRIP: HTML to plain text under the tag action table and the strip mode.
#include <cstring>

#include "textlib/cp932.h"
#include "textlib/html.h"

namespace bq {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kBullet = "\x81\x45 ";  // "・ "

bool IsLead(char c) { return IsLeadByte(static_cast<unsigned char>(c)); }
bool IsAsciiAlnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool IsAsciiBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsWideSpaceAt(std::string_view s, std::size_t i) {
  return i + 1 < s.size() && s[i] == '\x81' && s[i + 1] == '\x40';
}

// True when x starts a character, given that `known` <= x does: the bytes in
// front of x that could be lead bytes pair up exactly when their run is even.
bool StartsChar(std::string_view s, std::size_t x, std::size_t known) {
  std::size_t y = x;
  while (y > known && IsLead(s[y - 1])) --y;
  return (x - y) % 2 == 0;
}

// The end of s[from, end) without the blanks at its end that `is_blank`
// accepts (1 for a single byte, 2 for the full-width space). Each candidate is
// checked to start a character, so a trail byte is never taken for a blank.
template <typename IsBlank>
std::size_t TrimEnd(std::string_view s, std::size_t from, std::size_t end, IsBlank is_blank) {
  while (end > from) {
    if (is_blank(s[end - 1]) && StartsChar(s, end - 1, from)) {
      --end;
    } else if (end - from >= 2 && IsWideSpaceAt(s, end - 2) && StartsChar(s, end - 2, from)) {
      end -= 2;
    } else {
      break;
    }
  }
  return end;
}

// TRIM: tab, LF, CR, space and the full-width space go at both ends.
std::string_view TrimBlanks(std::string_view s) {
  std::size_t lead = 0;
  while (lead < s.size()) {
    if (IsAsciiBlank(s[lead])) ++lead;
    else if (IsWideSpaceAt(s, lead)) lead += 2;
    else break;
  }
  std::size_t end = TrimEnd(s, lead, s.size(), IsAsciiBlank);
  return s.substr(lead, end - lead);
}

// The index of the next CR LF at or after `from` (a character start), or
// s.size().
std::size_t NextCrLf(std::string_view s, std::size_t from) {
  std::size_t known = from;
  for (std::size_t x = from; x < s.size();) {
    const void* hit = std::memchr(s.data() + x, '\r', s.size() - x);
    if (hit == nullptr) break;
    std::size_t cr = static_cast<const char*>(hit) - s.data();
    if (!StartsChar(s, cr, known)) {
      known = x = cr + 1;
      continue;
    }
    if (cr + 1 < s.size() && s[cr + 1] == '\n') return cr;
    known = x = cr + 1;
  }
  return s.size();
}

// The last clean-up: spaces and full-width spaces at the end of every line
// go, runs of three or more CR LF shrink to two, and the text is trimmed.
std::string TidyLines(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  int breaks = 0;  // CR LF pairs written since the last character
  auto is_space = [](char c) { return c == ' '; };
  for (std::size_t ls = 0; ls <= s.size();) {
    std::size_t le = NextCrLf(s, ls);
    std::size_t keep = le < s.size() ? TrimEnd(s, ls, le, is_space) : le;
    if (keep > ls) {
      out.append(s.data() + ls, keep - ls);
      breaks = 0;
    }
    if (le >= s.size()) break;
    if (breaks < 2) {
      out += kCrLf;
      ++breaks;
    }
    ls = le + 2;
  }
  return std::string(TrimBlanks(out));
}

class Stripper {
 public:
  Stripper(std::string_view html, const TagActionTable& table, unsigned mode)
      : h_(html), table_(table), mode_(mode) {}

  std::string Run();

 private:
  void Text(std::size_t* i);
  std::size_t Tag(std::size_t i);
  void Act(unsigned char code, bool open, std::string_view tag);
  void Flush();
  void LineBreak() { out_ += kCrLf; }
  void ListItem(bool open);
  void Table(bool open);
  void Append(char c) {
    pending_ += c;
    last_space_ = c == ' ';
  }

  std::string_view h_;
  const TagActionTable& table_;
  unsigned mode_;
  std::string out_;
  std::string pending_;
  std::string key_;
  std::vector<long> counters_;
  bool suppressed_ = false;
  bool pre_ = false;
  bool pre_starts_ = false;
  bool leftover_ = false;          // the last tag ended inside quotes...
  std::size_t leftover_from_ = 0;  // ...where its rest begins in pending_
  bool last_space_ = false;
  bool numbered_ = false;
  bool in_table_ = false;
  int table_depth_ = 0;
  std::size_t comment_hint_ = std::string_view::npos;
};

std::string Stripper::Run() {
  std::size_t i = 0;
  while (i < h_.size()) {
    if (!pre_)
      while (i < h_.size() && static_cast<unsigned char>(h_[i]) < 0x20) ++i;
    Text(&i);
    if (i < h_.size()) i = Tag(i + 1);
  }
  Flush();
  return TidyLines(out_);
}

// Text characters up to the next '<' (which is left at *i). Runs of
// printable characters are appended in one piece.
void Stripper::Text(std::size_t* i) {
  std::size_t p = *i;
  const std::size_t n = h_.size();
  while (p < n && h_[p] != '<') {
    char c = h_[p];
    unsigned char u = static_cast<unsigned char>(c);
    if (u > 0x20 && c != '>' && !suppressed_) {
      std::size_t start = p;
      while (p < n) {
        char d = h_[p];
        if (static_cast<unsigned char>(d) <= 0x20 || d == '<' || d == '>') break;
        p += (IsLead(d) && p + 1 < n) ? 2 : 1;
      }
      pending_.append(h_.data() + start, p - start);
      last_space_ = false;
      continue;
    }
    std::size_t len = (IsLead(c) && p + 1 < n) ? 2 : 1;
    if (c == '>' && leftover_) {
      pending_.resize(leftover_from_);  // the rest of a tag that ended early
      leftover_ = false;
    } else if (suppressed_) {
      // dropped
    } else if (pre_ || c == '>') {
      pending_.append(h_.data() + p, len);
      last_space_ = pre_ && c == ' ';
    } else if (c == ' ') {
      if (!last_space_) Append(' ');
    }
    p += len;
  }
  *i = p;
}

// A tag whose text starts at i (just after '<'); returns where the text
// goes on. While suppressed, only a closing suppress tag acts.
std::size_t Stripper::Tag(std::size_t i) {
  bool in_quote = false;
  std::size_t end = FindTagEnd(h_, i, &comment_hint_, &in_quote);
  std::string_view tag = h_.substr(i, end - i);
  bool open = true;
  std::size_t p = 0;
  if (p < tag.size() && tag[p] == '/') {
    open = false;
    ++p;
  }
  std::size_t name_end = p;
  while (name_end < tag.size() && IsAsciiAlnum(tag[name_end])) ++name_end;
  std::size_t name_len = name_end - p;
  if (name_len > 0 && name_len + 2 <= table_.longest_key()) {
    key_.assign(1, ':');
    for (std::size_t k = p; k < name_end; ++k) {
      char c = tag[k];
      key_ += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    }
    key_ += ':';
    if (const TagAction* row = table_.Find(key_)) {
      unsigned char code = open ? row->open : row->close;
      if (!suppressed_ || (!open && code == kTagSuppress)) Act(code, open, tag);
    }
  }
  leftover_ = in_quote;
  leftover_from_ = pending_.size();
  std::size_t next = end < h_.size() ? end + 1 : end;
  if (pre_starts_) {  // at most one CR and one LF right after the tag
    pre_starts_ = false;
    if (next < h_.size() && h_[next] == '\r') ++next;
    if (next < h_.size() && h_[next] == '\n') ++next;
  }
  return next;
}

void Stripper::Act(unsigned char code, bool open, std::string_view tag) {
  switch (code) {
    case kTagSuppress: suppressed_ = open; break;
    case kTagDiscard:
      out_.clear();
      pending_.clear();
      break;
    case kTagBreak: Flush(); LineBreak(); break;
    case kTagComma: Append(','); break;
    case kTagSpace: Append(' '); break;
    case kTagBr:
    case kTagHr:
      Flush();
      if (!in_table_ || !(mode_ & (code == kTagBr ? kStripNoTableBr : kStripNoTableHr))) LineBreak();
      break;
    case kTagCell:
      Flush();
      out_ += (mode_ & kStripCellComma) ? ',' : ' ';
      break;
    case kTagColor:
    case kTagClass:
      if (!open) {
        Append('@');
      } else if (std::string v = HtmlTagAttribute(tag, code == kTagColor ? "COLOR" : "CLASS"); !v.empty()) {
        pending_ += '~';
        pending_ += v;
        Append('\'');
      }
      break;
    case kTagPre:
      pre_ = open;
      pre_starts_ = open;
      break;
    case kTagListItem: ListItem(open); break;
    case kTagNumberedList:
      Flush();
      if (open) {
        LineBreak();
        counters_.push_back(1);
        numbered_ = true;
      } else {
        if (!counters_.empty()) counters_.pop_back();
        numbered_ = false;
      }
      break;
    case kTagTable: Table(open); break;
    default: break;
  }
}

void Stripper::ListItem(bool open) {
  Flush();
  if (!open) {
    LineBreak();
    return;
  }
  LineBreak();
  if (numbered_ && !counters_.empty()) {
    long number = counters_.back();
    counters_.pop_back();
    out_ += std::to_string(number);
    out_ += ". ";
    counters_.push_back(number + 1);
  } else {
    out_ += kBullet;
  }
}

void Stripper::Table(bool open) {
  Flush();
  if (open) {
    if (table_depth_ == 0) LineBreak();
    ++table_depth_;
    in_table_ = true;
    return;
  }
  if (table_depth_ == 0) return;  // a close without an open table
  if (--table_depth_ == 0) {
    LineBreak();
    in_table_ = false;
  }
}

void Stripper::Flush() {
  if (pending_.empty()) return;
  if (pending_.find('&') == std::string::npos) {
    out_.append(TrimBlanks(pending_));
  } else {
    out_.append(TrimBlanks(DecodeHtmlEntities(pending_)));
  }
  pending_.clear();
}

}  // namespace

std::string StripHtml(std::string_view html, const TagActionTable& table, unsigned mode) {
  return Stripper(html, table, mode).Run();
}

}  // namespace bq
