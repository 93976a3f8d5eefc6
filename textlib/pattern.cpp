// The pattern matcher. The pattern is interpreted directly, construct by
// construct, over Shift_JIS text; nothing is compiled and no choice is ever
// revisited.
//
// Forms read from a pattern (see pattern.h for the interface):
//   ^ ~            anchors, only as the very first character
//   a|b  (a|b)     alternatives, a group (groups do not nest)
//   $              end of text or before CR/LF, when followed by | or the end
//   ?  *           any one character, a shortest run
//   [..] [^..]     a class, with suffix + (one or more) or - (zero or one)
//   \a \d \w \j    letter or _, digit, word byte, double-byte character,
//                  each with suffix + (one or more) or - (zero or more)
//   \n \r \t       line break (CR LF or LF), CR, tab
//   \x             the character x itself; a \ at the very end is itself
//   anything else  itself
//
// Speed: a pattern that starts with a literal is located with memmem, and a
// '*' followed by a literal searches with memmem too. Character boundaries
// are checked by counting the run of lead-range bytes in front of a hit back
// to a known boundary, so every byte is looked at a bounded number of times.
// Searches started by '*' remember their last answer, which keeps chains of
// stars linear.
#include "textlib/pattern.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "textlib/cp932.h"
#include "textlib/limits.h"

namespace bq {
namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr std::size_t kUnknown = kNone - 1;  // a cache slot not yet filled

bool IsAsciiLetter(unsigned c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(unsigned c) { return c >= '0' && c <= '9'; }

// A piece of the pattern: bytes [lo, hi). In a group, '(' is an ordinary
// character and the slice ends at the group's ')'.
struct Slice {
  std::size_t lo;
  std::size_t hi;
  bool group;
};

// Outcome of matching one alternative. On success, text is where the match
// ended and pat where the pattern stopped; on failure, resume is where the
// next alternative starts (kNone when there is none).
struct SeqResult {
  bool ok = false;
  std::size_t text = 0;
  std::size_t pat = 0;
  std::size_t resume = kNone;
};

SeqResult Ok(std::size_t text, std::size_t pat) { return {true, text, pat, kNone}; }
SeqResult Fail(std::size_t resume) { return {false, 0, 0, resume}; }

// The last answer of a search started by '*', valid for every later search of
// the same slice that starts between `from` and the match found.
struct MemoEntry {
  bool valid = false;
  std::size_t from = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
  bool found = false;
};

// One entry of a class: a character, a range of codes, or an escape (esc is
// the letter after '\\', 0 for a lone '\\' at the end).
enum class EntryKind { kChar, kRange, kEscape };
struct ClassEntry {
  EntryKind kind = EntryKind::kChar;
  unsigned lo = 0;
  unsigned hi = 0;
  unsigned esc = 0;
  bool last = false;
};

// Where the last greedy run of one construct began and ended: a run of the
// same construct started anywhere in [begin, end] ends at `end` as well,
// since every character in between belongs to it.
struct RunEntry {
  bool valid = false;
  std::size_t begin = 0;
  std::size_t end = 0;
};

class Matcher {
 public:
  Matcher(std::string_view text, std::string_view pattern)
      : t_(text), p_(pattern), has_bar_(pattern.find('|') != std::string_view::npos) {}

  std::optional<PatternMatch> Find(Slice s, std::size_t start, bool anchors);

 private:
  // Characters.
  std::size_t TLen(std::size_t pos) const {
    if (pos >= t_.size()) return 0;
    return (IsLeadByte(Byte(pos)) && pos + 1 < t_.size()) ? 2 : 1;
  }
  unsigned Byte(std::size_t pos) const { return static_cast<unsigned char>(t_[pos]); }
  unsigned TCode(std::size_t pos) const {
    std::size_t len = TLen(pos);
    if (len == 0) return 0;
    return len == 2 ? Byte(pos) * 256 + Byte(pos + 1) : Byte(pos);
  }
  unsigned PByte(std::size_t pi) const { return static_cast<unsigned char>(p_[pi]); }
  std::size_t PLen(std::size_t pi) const {
    return (IsLeadByte(PByte(pi)) && pi + 1 < p_.size()) ? 2 : 1;
  }
  unsigned PCode(std::size_t pi) const {
    return PLen(pi) == 2 ? PByte(pi) * 256 + PByte(pi + 1) : PByte(pi);
  }
  bool CharEq(std::size_t pi, std::size_t pos) const {
    std::size_t len = PLen(pi);
    return TLen(pos) == len && std::memcmp(p_.data() + pi, t_.data() + pos, len) == 0;
  }
  bool IsBoundary(std::size_t x, std::size_t known) const;

  // Pattern scanning.
  bool IsSpecial(unsigned c, bool group) const;
  std::size_t ClassEnd(std::size_t pi, bool* closed) const;
  bool ReadEntry(std::size_t* q, bool first, ClassEntry* e, bool* closed) const;
  bool EntryHas(const ClassEntry& e, unsigned code, std::size_t pos) const;
  std::size_t GroupClose(std::size_t pi) const;
  std::size_t TokenEnd(std::size_t pi, bool group) const;
  std::size_t SkipToBar(std::size_t pi, Slice s) const;
  std::size_t ResumeAfter(std::size_t pi, Slice s) const;
  std::size_t LiteralPrefix(Slice s) const;
  bool FirstBytes(Slice s, std::array<bool, 256>* firsts) const;

  // Matching.
  std::optional<std::size_t> MatchAt(Slice s, std::size_t pos);
  SeqResult MatchSeq(Slice s, std::size_t pi, std::size_t pos);
  SeqResult MatchGroup(std::size_t pi, std::size_t pos);
  SeqResult MatchStar(Slice s, std::size_t pi, std::size_t pos);
  bool MatchLiteral(std::size_t pi, std::size_t pe, std::size_t pos) const;
  bool MatchClass(std::size_t pi, std::size_t* pos, std::size_t* next);
  int ClassMember(std::size_t q, std::size_t pos) const;
  bool MatchEscape(std::size_t pi, std::size_t* pos, std::size_t* next);
  template <typename Member>
  std::size_t RunEnd(std::size_t pi, std::size_t pos, Member member);
  std::optional<PatternMatch> SubFind(Slice s, std::size_t start);
  MemoEntry& MemoSlot(std::size_t key);
  std::optional<PatternMatch> FindAnchored(Slice body, std::size_t start, bool blanks);
  std::optional<PatternMatch> FindLiteral(Slice body, std::size_t start, std::size_t plen);

  std::string_view t_;
  std::string_view p_;
  bool has_bar_;  // without any '|' byte there is only ever one alternative
  int depth_ = 0;
  std::array<MemoEntry, 32> memo_{};
  std::vector<MemoEntry> memo_far_;
  std::array<RunEntry, 32> runs_{};
  mutable std::vector<std::size_t> bar_cache_;    // SkipToBar answers by token
  mutable std::vector<std::size_t> close_cache_;  // GroupClose answers by group start
  std::vector<RunEntry> runs_far_;
};

// True when x starts a character, given that `known` <= x does. The bytes in
// front of x that could be lead bytes are counted back to the first byte that
// cannot be one (a character ends right after it) or to `known`; x is a
// boundary when that run has an even length.
bool Matcher::IsBoundary(std::size_t x, std::size_t known) const {
  std::size_t y = x;
  while (y > known && IsLeadByte(Byte(y - 1))) --y;
  return (x - y) % 2 == 0;
}

bool Matcher::IsSpecial(unsigned c, bool group) const {
  switch (c) {
    case '|': case '*': case '?': case '[': case '\\': case '$': return true;
    case '(': return !group;
    case ')': return group;
    default: return false;
  }
}

// Reads the class entry at *q and moves past it. Returns false when the class
// ends at *q instead: *closed tells whether a ']' closed it (*q is then after
// it) or the pattern ran out. A range whose upper end is ']' is read as an
// entry marked last; the class is closed after it.
bool Matcher::ReadEntry(std::size_t* q, bool first, ClassEntry* e, bool* closed) const {
  const std::size_t n = p_.size();
  *closed = false;
  if (*q >= n) return false;
  if (p_[*q] == ']') {
    ++*q;
    *closed = true;
    return false;
  }
  *e = ClassEntry{};
  if (p_[*q] == '\\') {
    e->kind = EntryKind::kEscape;
    if (*q + 1 >= n) {  // a '\\' at the very end stands for itself
      e->esc = 0;
      e->lo = '\\';
      ++*q;
      return true;
    }
    e->esc = PByte(*q + 1);
    e->lo = PCode(*q + 1);
    *q += 1 + PLen(*q + 1);
    return true;
  }
  if (first && p_[*q] == '-') {
    e->lo = 0;
    ++*q;
  } else {
    e->lo = PCode(*q);
    *q += PLen(*q);
    if (*q >= n || p_[*q] != '-') {
      e->kind = EntryKind::kChar;
      return true;
    }
    ++*q;
  }
  e->kind = EntryKind::kRange;
  if (*q >= n || p_[*q] == ']') {
    e->hi = 0xFFFF;
    if (*q < n) ++*q;
    e->last = true;
    return true;
  }
  if (p_[*q] == '\\' && *q + 1 < n) {
    unsigned c = PByte(*q + 1);
    e->hi = c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : PCode(*q + 1);
    *q += 1 + PLen(*q + 1);
  } else {
    e->hi = PCode(*q);
    *q += PLen(*q);
  }
  return true;
}

// The index after the class that opens at pi ('['), and whether it was closed.
std::size_t Matcher::ClassEnd(std::size_t pi, bool* closed) const {
  std::size_t q = pi + 1;
  if (q < p_.size() && p_[q] == '^') ++q;
  ClassEntry e;
  for (bool first = true; ReadEntry(&q, first, &e, closed); first = false) {
    if (e.last) {
      *closed = q <= p_.size() && p_[q - 1] == ']';
      break;
    }
  }
  return q;
}

// The index of the ')' that closes the group opening at pi, or the pattern's
// end when it is never closed.
std::size_t Matcher::GroupClose(std::size_t pi) const {
  if (close_cache_.empty()) close_cache_.assign(p_.size(), kUnknown);
  std::size_t& known = close_cache_[pi];
  if (known != kUnknown) return known;
  std::size_t q = pi + 1;
  while (q < p_.size() && p_[q] != ')') q = TokenEnd(q, true);
  known = q;
  return q;
}

std::size_t Matcher::TokenEnd(std::size_t pi, bool group) const {
  char c = p_[pi];
  if (c == '[') {
    bool closed;
    return ClassEnd(pi, &closed);
  }
  if (c == '\\') return pi + 1 < p_.size() ? pi + 1 + PLen(pi + 1) : pi + 1;
  if (c == '(' && !group) {
    std::size_t close = GroupClose(pi);
    return close < p_.size() ? close + 1 : close;
  }
  return pi + PLen(pi);
}

// The next '|' of the slice at or after pi, or kNone. The answer depends only
// on pi and on whether pi lies in a group (a slice in a group always ends at
// that group's ')'), so it is kept for every token passed on the way.
std::size_t Matcher::SkipToBar(std::size_t pi, Slice s) const {
  if (!has_bar_) return kNone;
  if (bar_cache_.empty()) bar_cache_.assign(2 * p_.size() + 2, kUnknown);
  const std::size_t g = s.group ? 1 : 0;
  std::size_t result = kNone;
  for (std::size_t q = pi; q < s.hi; q = TokenEnd(q, s.group)) {
    if (bar_cache_[q * 2 + g] != kUnknown) {
      result = bar_cache_[q * 2 + g];
      break;
    }
    if (p_[q] == '|') {
      result = q;
      break;
    }
  }
  for (std::size_t q = pi; q < s.hi && bar_cache_[q * 2 + g] == kUnknown; q = TokenEnd(q, s.group)) {
    bar_cache_[q * 2 + g] = result;
    if (p_[q] == '|') break;
  }
  return result;
}

// Where matching resumes after a construct at pi failed.
std::size_t Matcher::ResumeAfter(std::size_t pi, Slice s) const {
  std::size_t bar = SkipToBar(pi, s);
  return bar == kNone ? kNone : bar + 1;
}

// The length of the run of ordinary characters that begins the slice, when the
// slice is a single alternative; 0 otherwise. Only whole characters count.
std::size_t Matcher::LiteralPrefix(Slice s) const {
  if (SkipToBar(s.lo, s) != kNone) return 0;
  std::size_t q = s.lo;
  while (q < s.hi && !IsSpecial(PByte(q), s.group)) {
    std::size_t len = PLen(q);
    if (IsLeadByte(PByte(q)) && len == 1) break;
    q += len;
  }
  return q - s.lo;
}

std::optional<PatternMatch> Matcher::Find(Slice s, std::size_t start, bool anchors) {
  if (start > t_.size()) return std::nullopt;
  if (anchors && s.lo < s.hi && (p_[s.lo] == '^' || p_[s.lo] == '~')) {
    bool blanks = p_[s.lo] == '~';
    return FindAnchored({s.lo + 1, s.hi, s.group}, start, blanks);
  }
  bool only_first = s.lo < s.hi && p_[s.lo] == '*';
  if (!only_first) {
    std::size_t plen = LiteralPrefix(s);
    if (plen > 0) return FindLiteral(s, start, plen);
  }
  std::array<bool, 256> firsts{};
  const bool filtered = !only_first && FirstBytes(s, &firsts);
  for (std::size_t c = start;; c += TLen(c)) {
    if (filtered) {
      while (c < t_.size() && !firsts[Byte(c)]) c += TLen(c);
      if (c >= t_.size()) return std::nullopt;
    }
    if (auto end = MatchAt(s, c)) return PatternMatch{c, *end};
    if (only_first || c >= t_.size()) return std::nullopt;
  }
}

// When every alternative of the slice begins with an ordinary character, the
// bytes a match can begin with; false when some alternative can begin with
// anything else (or with nothing).
bool Matcher::FirstBytes(Slice s, std::array<bool, 256>* firsts) const {
  std::size_t a = s.lo;
  for (;;) {
    if (a >= s.hi || IsSpecial(PByte(a), s.group)) return false;
    (*firsts)[PByte(a)] = true;
    std::size_t bar = SkipToBar(a, s);
    if (bar == kNone) return true;
    a = bar + 1;
  }
}

// Anchor mode: candidates are the start and every position after a CR or LF;
// line breaks (and for '~' blanks) are skipped before each try.
std::optional<PatternMatch> Matcher::FindAnchored(Slice body, std::size_t start, bool blanks) {
  bool only_first = body.lo < body.hi && p_[body.lo] == '*';
  std::size_t c = start;
  for (;;) {
    while (c < t_.size()) {
      unsigned b = Byte(c);
      if (b == '\r' || b == '\n' || (blanks && (b == ' ' || b == '\t'))) ++c;
      else break;
    }
    if (auto end = MatchAt(body, c)) return PatternMatch{c, *end};
    if (only_first || c >= t_.size()) return std::nullopt;
    while (c < t_.size() && Byte(c) != '\r' && Byte(c) != '\n') c += TLen(c);
    if (c < t_.size()) ++c;
  }
}

// Candidates are the occurrences of the pattern's literal prefix that start
// on a character boundary. The first byte is found with memchr and the rest
// compared in place; `known` is the last position known to start a
// character, so the boundary checks together walk each byte at most once.
std::optional<PatternMatch> Matcher::FindLiteral(Slice body, std::size_t start, std::size_t plen) {
  const char* prefix = p_.data() + body.lo;
  const std::size_t n = t_.size();
  std::size_t known = start;
  std::size_t x = start;
  while (x + plen <= n) {
    const void* hit = std::memchr(t_.data() + x, prefix[0], n - plen + 1 - x);
    if (hit == nullptr) return std::nullopt;
    std::size_t h = static_cast<const char*>(hit) - t_.data();
    if (std::memcmp(t_.data() + h + 1, prefix + 1, plen - 1) != 0) {
      x = h + 1;
      continue;
    }
    if (!IsBoundary(h, known)) {
      known = x = h + 1;  // h is a trail byte, so the next byte starts a character
      continue;
    }
    if (auto end = MatchAt(body, h)) return PatternMatch{h, *end};
    known = x = h + TLen(h);
  }
  return std::nullopt;
}

// The memo slot of a slice: one per place in the pattern where a '*' search
// can start, held inline for short patterns.
MemoEntry& Matcher::MemoSlot(std::size_t key) {
  if (key < memo_.size()) return memo_[key];
  if (memo_far_.empty()) memo_far_.resize(2 * p_.size() + 2);
  return memo_far_[key];
}

std::optional<PatternMatch> Matcher::SubFind(Slice s, std::size_t start) {
  // A slice that begins with '*' tries only its first candidate, so its
  // answer holds for that exact start only; any other slice's answer holds
  // for every start from `from` up to the match it found.
  const bool exact = s.lo < s.hi && p_[s.lo] == '*';
  MemoEntry& e = MemoSlot(s.lo * 2 + (s.group ? 1 : 0));
  if (e.valid && (exact ? start == e.from : start >= e.from && (!e.found || start <= e.begin))) {
    if (!e.found) return std::nullopt;
    return PatternMatch{e.begin, e.end};
  }
  std::optional<PatternMatch> r;
  if (depth_ < limits::kMaxPatternStarDepth) {
    ++depth_;
    r = Find(s, start, false);
    --depth_;
  }
  e = {true, start, r ? r->begin : 0, r ? r->end : 0, r.has_value()};
  return r;
}

std::optional<std::size_t> Matcher::MatchAt(Slice s, std::size_t pos) {
  std::size_t pi = s.lo;
  for (;;) {
    SeqResult r = MatchSeq(s, pi, pos);
    if (r.ok) return r.text;
    if (r.resume == kNone) return std::nullopt;
    pi = r.resume;
  }
}

SeqResult Matcher::MatchSeq(Slice s, std::size_t pi, std::size_t pos) {
  while (pi < s.hi) {
    unsigned c = PByte(pi);
    if (c == '|') break;
    if (c == '(' && !s.group) {
      SeqResult g = MatchGroup(pi, pos);
      if (!g.ok) return g;
      pi = g.pat;
      pos = g.text;
      continue;
    }
    if (c == '*') return MatchStar(s, pi, pos);
    std::size_t next = pi + 1;
    bool ok = true;
    if (c == '[') {
      ok = MatchClass(pi, &pos, &next);
    } else if (c == '\\') {
      ok = MatchEscape(pi, &pos, &next);
    } else if (c == '?') {
      pos += TLen(pos);
    } else if (c == '$' && (next == p_.size() || p_[next] == '|')) {
      ok = pos == t_.size() || Byte(pos) == '\r' || Byte(pos) == '\n';
    } else {
      next = pi + PLen(pi);
      while (next < s.hi && !IsSpecial(PByte(next), s.group)) next += PLen(next);
      ok = MatchLiteral(pi, next, pos);
      if (ok) pos += next - pi;
    }
    if (!ok) return Fail(ResumeAfter(pi, s));
    pi = next;
  }
  return Ok(pos, pi);
}

// A group: its alternatives are tried at pos; the first that matches is
// taken and the pattern goes on after ')'. When none matches, the failure
// skip runs past the ')' to the next '|', and the alternative after it is
// passed over as well: a failing group consumes the alternative that
// follows it.
SeqResult Matcher::MatchGroup(std::size_t pi, std::size_t pos) {
  std::size_t close = GroupClose(pi);
  std::size_t after = close < p_.size() ? close + 1 : close;
  Slice g{pi + 1, close, true};
  std::size_t q = g.lo;
  for (;;) {
    SeqResult r = MatchSeq(g, q, pos);
    if (r.ok) return r.pat > close ? r : Ok(r.text, after);
    if (r.resume == kNone) break;
    q = r.resume;
  }
  Slice top{0, p_.size(), false};
  std::size_t bar = SkipToBar(after, top);
  if (bar == kNone) return Fail(kNone);
  return Fail(ResumeAfter(bar + 1, top));
}

// '*': a shortest run. Last in its alternative it takes the rest of the text;
// otherwise what follows is searched from pos and its match ends the run.
SeqResult Matcher::MatchStar(Slice s, std::size_t pi, std::size_t pos) {
  // "**" ends where "*" does: the inner search from the same position ends
  // the run at the same place, so a run of stars counts as one.
  std::size_t next = pi + 1;
  while (next < s.hi && p_[next] == '*') ++next;
  if (next >= p_.size() || p_[next] == '|') return MatchSeq(s, next, t_.size());
  if (s.group && next == s.hi) {
    // "*)": the pattern after the group decides where the group ends.
    std::size_t after = s.hi + 1;
    if (after >= p_.size() || p_[after] == '|') return Ok(t_.size(), after);
    auto r = SubFind({after, p_.size(), false}, pos);
    if (!r) return Fail(ResumeAfter(pi, s));
    return Ok(r->begin, after);
  }
  auto r = SubFind({next, s.hi, s.group}, pos);
  if (!r) return Fail(ResumeAfter(pi, s));
  if (s.group) return Ok(r->end, s.hi < p_.size() ? s.hi + 1 : s.hi);
  return Ok(r->end, s.hi);
}

// Pattern bytes [pi, pe) are ordinary characters; they match when the text
// holds the same characters at pos.
bool Matcher::MatchLiteral(std::size_t pi, std::size_t pe, std::size_t pos) const {
  std::size_t len = pe - pi;
  if (pos + len > t_.size()) return false;
  // A lead byte that ends the pattern is a character of its own and matches
  // only the same lone byte at the end of the text.
  std::size_t whole = len;
  if (pe == p_.size() && PLen(pe - 1) == 1 && IsLeadByte(PByte(pe - 1))) {
    std::size_t q = pi;
    while (q < pe && q + PLen(q) < pe) q += PLen(q);
    if (q == pe - 1) whole = len - 1;
  }
  if (std::memcmp(p_.data() + pi, t_.data() + pos, whole) != 0) return false;
  return whole == len || CharEq(pe - 1, pos + whole);
}

// The end of the greedy run of the construct at pi from pos; member(p) gives
// the bytes of a member character at p, 0 when p holds none.
template <typename Member>
std::size_t Matcher::RunEnd(std::size_t pi, std::size_t pos, Member member) {
  RunEntry* e = nullptr;
  if (pi < runs_.size()) {
    e = &runs_[pi];
  } else {
    if (runs_far_.empty()) runs_far_.resize(p_.size());
    e = &runs_far_[pi];
  }
  if (e->valid && pos >= e->begin && pos <= e->end) return e->end;
  std::size_t begin = pos;
  while (pos < t_.size()) {
    std::size_t len = member(pos);
    if (len == 0) break;
    pos += len;
  }
  *e = {true, begin, pos};
  return pos;
}

bool Matcher::MatchClass(std::size_t pi, std::size_t* pos, std::size_t* next) {
  bool closed;
  std::size_t end = ClassEnd(pi, &closed);
  bool neg = pi + 1 < p_.size() && p_[pi + 1] == '^';
  std::size_t body = pi + (neg ? 2 : 1);
  char suffix = 0;
  if (closed && end < p_.size() && (p_[end] == '+' || p_[end] == '-')) suffix = p_[end];
  *next = end + (suffix ? 1 : 0);
  // How many bytes a counted character takes at p, or -1 when it does not count.
  auto counted = [&](std::size_t p) -> int {
    int m = ClassMember(body, p);
    if (!neg) return m;
    return m >= 0 ? -1 : static_cast<int>(TLen(p));
  };
  int len = counted(*pos);
  if (len < 0) return suffix == '-';
  *pos += len;
  if (suffix == '+' && *pos < t_.size()) {
    *pos = RunEnd(pi, *pos, [&](std::size_t p) -> std::size_t { return std::max(counted(p), 0); });
  }
  return true;
}

// Whether the text character at pos belongs to the class whose entries start
// at q: the bytes it takes when it does, -1 when not. At the end of the text
// the character has code 0 and takes nothing.
int Matcher::ClassMember(std::size_t q, std::size_t pos) const {
  const unsigned code = TCode(pos);
  const int clen = static_cast<int>(TLen(pos));
  ClassEntry e;
  bool closed;
  for (bool first = true; ReadEntry(&q, first, &e, &closed); first = false) {
    if (EntryHas(e, code, pos)) {
      if (e.kind == EntryKind::kEscape && e.esc == 'n' && code == '\r') return 2;
      return clen;
    }
    if (e.last) break;
  }
  return -1;
}

bool Matcher::EntryHas(const ClassEntry& e, unsigned code, std::size_t pos) const {
  switch (e.kind) {
    case EntryKind::kChar: return code == e.lo;
    case EntryKind::kRange: return code >= e.lo && code <= e.hi;
    case EntryKind::kEscape: break;
  }
  switch (e.esc) {
    case 'a': return code < 128 && IsAsciiLetter(code);
    case 'd': return code < 128 && IsAsciiDigit(code);
    case 'w': return code < 128 && (IsAsciiLetter(code) || IsAsciiDigit(code));
    case 'j': return code >= 0x8140 && code <= 0xFCFC;
    case 'r': return code == '\r';
    case 't': return code == '\t';
    case 'n':  // LF, or CR followed by LF
      return code == '\n' || (code == '\r' && pos + 1 < t_.size() && t_[pos + 1] == '\n');
    default: return code == e.lo;
  }
}

bool Matcher::MatchEscape(std::size_t pi, std::size_t* pos, std::size_t* next) {
  const std::size_t n = t_.size();
  if (pi + 1 >= p_.size()) {  // a '\' at the very end stands for itself
    *next = pi + 1;
    if (TLen(*pos) != 1 || t_[*pos] != '\\') return false;
    ++*pos;
    return true;
  }
  unsigned e = PByte(pi + 1);
  *next = pi + 1 + PLen(pi + 1);
  auto in_set = [&](std::size_t p) -> std::size_t {  // bytes of one member at p, or 0
    if (p >= n) return 0;
    unsigned b = Byte(p);
    switch (e) {
      case 'a': return IsAsciiLetter(b) || b == '_';
      case 'd': return IsAsciiDigit(b);
      case 'w': return IsAsciiLetter(b) || IsAsciiDigit(b) || b == '_';
      default:  // 'j'
        return (IsLeadByte(b) && p + 1 < n && Byte(p + 1) >= 0x40 && Byte(p + 1) <= 0xFC) ? 2 : 0;
    }
  };
  switch (e) {
    case 'a': case 'd': case 'w': case 'j': {
      char suffix = *next < p_.size() ? p_[*next] : 0;
      if (suffix != '+' && suffix != '-') {
        std::size_t len = in_set(*pos);
        *pos += len;
        return len > 0;
      }
      ++*next;
      if (suffix == '+' && in_set(*pos) == 0) return false;
      *pos = RunEnd(pi, *pos, in_set);
      return true;
    }
    case 'n':
      if (*pos + 1 < n && t_[*pos] == '\r' && t_[*pos + 1] == '\n') { *pos += 2; return true; }
      if (*pos < n && t_[*pos] == '\n') { ++*pos; return true; }
      return false;
    case 'r':
    case 't':
      if (*pos < n && t_[*pos] == (e == 'r' ? '\r' : '\t')) { ++*pos; return true; }
      return false;
    default:
      if (!CharEq(pi + 1, *pos)) return false;
      *pos += TLen(*pos);
      return true;
  }
}

}  // namespace

std::optional<PatternMatch> PatternFind(std::string_view text, std::string_view pattern, std::size_t start) {
  Matcher m(text, pattern);
  return m.Find({0, pattern.size(), false}, start, true);
}

bool PatternContains(std::string_view text, std::string_view pattern) {
  return PatternFind(text, pattern).has_value();
}

bool PatternWhole(std::string_view text, std::string_view pattern) {
  auto m = PatternFind(text, pattern);
  return m && m->begin == 0 && m->end == text.size();
}

}  // namespace bq
