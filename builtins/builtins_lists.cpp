// The list operations behind FOREACH and CLIP: clip records of a template,
// links, split pieces, wrapped passages, topics of the log, lines, comma
// fields and images, and the next-element and drop operations.
#include "logstore/scrap_list.h"
#include "script/machine.h"
#include "script/machine_text.h"
#include "builtins/builtin_host.h"
#include "builtins/value_args.h"
#include "textlib/csv.h"
#include "textlib/links.h"
#include "textlib/pattern.h"

namespace bq::builtins {

using script::ListOp;
using script::TScriptMachine;
using script::TScriptValue;

std::intptr_t TListIterators::Add(std::int32_t key, std::vector<TListNode> nodes) {
  std::intptr_t first = 0;
  for (auto& n : nodes) {
    n.key = key;
    std::intptr_t id = nextId_++;
    if (!first) first = id;
    nodes_.emplace(id, std::move(n));
  }
  return first;
}

TListNode* TListIterators::Node(std::intptr_t id) {
  auto it = nodes_.find(id);
  return it == nodes_.end() ? nullptr : &it->second;
}

std::intptr_t TListIterators::NextOf(std::intptr_t id) const {
  auto it = nodes_.find(id);
  if (it == nodes_.end()) return 0;
  std::int32_t key = it->second.key;
  for (++it; it != nodes_.end(); ++it)
    if (it->second.key == key) return it->first;
  return 0;
}

void TListIterators::Drop(std::int32_t key) {
  if (key == 0) {
    nodes_.clear();
    return;
  }
  std::erase_if(nodes_, [key](const auto& kv) { return kv.second.key == key; });
}

namespace {

using Element = TListNode::Element;

struct Found {
  std::size_t begin, end;
};

// The delimiter of a step from pos: a pattern, or literal bytes on character
// boundaries; an empty literal is never found.
std::optional<Found> FindDelimiter(const script::TClipItem& item, std::string_view text, std::size_t pos) {
  if (item.Pattern) {
    auto m = PatternFind(text, item.Delimiter, pos);
    if (!m) return std::nullopt;
    return Found{m->begin, m->end};
  }
  std::size_t at = script::FindText(text, item.Delimiter, pos);
  if (at == script::kNotFound) return std::nullopt;
  return Found{at, at + item.Delimiter.size()};
}

// The records of a template over text; the span of the last record goes to
// lastSpan (begin, end) when one was found.
std::vector<TListNode> ClipRecords(const script::TClipTemplate* t, std::string_view text,
                                   std::optional<Found>* lastSpan = nullptr) {
  std::vector<TListNode> records;
  if (!t) return records;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t recordStart = pos;
    // What a reader sees as the record starts at the template's first
    // literal text, not at the junk a leading skip step passes over.
    std::size_t markStart = pos;
    TListNode record;
    record.clipRecord = true;
    for (const auto& item : t->Items) {
      if (pos >= text.size()) break;
      auto f = FindDelimiter(item, text, pos);
      if (&item == &t->Items.front() && !item.Capture && f) markStart = f->begin;
      std::size_t stepEnd = f ? f->begin : text.size();
      if (item.Capture)
        record.elements.push_back(Element{0, item.Slot, item.Name, std::string(text.substr(pos, stepEnd - pos))});
      pos = f ? f->end : text.size();
    }
    if (!record.elements.empty()) {
      records.push_back(std::move(record));
      if (lastSpan) *lastSpan = Found{markStart, pos};
    }
    // A record that consumed nothing would repeat forever.
    if (pos == recordStart) break;
  }
  return records;
}

TListNode ElementList(std::vector<std::string> values) {
  TListNode n;
  for (auto& v : values) n.elements.push_back(Element{0, -1, std::string(), std::move(v)});
  return n;
}

std::vector<std::string> SplitPieces(std::string_view text, std::string_view sep) {
  std::vector<std::string> out;
  if (sep.empty()) {
    if (!text.empty()) out.emplace_back(text);
    return out;
  }
  std::size_t pos = 0;
  for (;;) {
    std::size_t at = text.find(sep, pos);
    if (at == std::string_view::npos) break;
    out.emplace_back(text.substr(pos, at - pos));
    pos = at + sep.size();
  }
  if (pos < text.size()) out.emplace_back(text.substr(pos));
  return out;
}

std::vector<std::string> WrapPieces(std::string_view text, std::string_view start, std::string_view end) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    auto s = PatternFind(text, start, pos);
    if (!s) break;
    auto e = PatternFind(text, end, s->end);
    std::size_t stop = e ? e->end : text.size();
    out.emplace_back(text.substr(s->begin, stop - s->begin));
    std::size_t next = stop > pos ? stop : script::NextChar(text, pos);
    if (next <= pos || next > text.size()) break;
    pos = next;
    if (pos == text.size()) break;
  }
  return out;
}

std::vector<std::string> LinePieces(std::string_view text) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t at = text.find_first_of("\r\n", pos);
    if (at == std::string_view::npos) {
      out.emplace_back(text.substr(pos));
      break;
    }
    out.emplace_back(text.substr(pos, at - pos));
    pos = at + (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1);
  }
  return out;
}

bool TopicPasses(const ArticleView& a, int filter) {
  switch (filter) {
    case 0: return true;
    case 1: return a.Selected;
    case 2: return !a.Selected;
    case 3: return a.Unread;
    case 4: return !a.Unread;
    default: return false;
  }
}

std::vector<std::string> Addresses(const LinkList& links) {
  std::vector<std::string> out;
  for (const auto& l : links) out.push_back(l.address);
  return out;
}

const script::TClipTemplate* TemplateNamed(const TScriptMachine& m, const std::string& name) {
  const auto& clips = m.Engine().Clips;
  if (const auto* t = clips.ByName(name)) return t;
  std::string upper = name;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return clips.ByName(upper);
}

}  // namespace

std::vector<TListNode> TBuiltinHost::MakeList(TScriptMachine& m, std::uint8_t sub, std::int32_t slot) {
  const std::string var = TextOf(m.StackSlot(slot));
  std::vector<TListNode> nodes;
  auto single = [&nodes](TListNode n) {
    if (!n.elements.empty()) nodes.push_back(std::move(n));
  };
  switch (static_cast<ListOp>(sub)) {
    case ListOp::ARAY: {
      std::optional<Found> last;
      auto records = ClipRecords(TemplateNamed(m, TextOf(m.R.A)), var, &last);
      if (last) m.NoteMatch(var, last->begin, last->end);
      return records;
    }
    case ListOp::LNKS: single(ElementList(Addresses(ExtractLinks(var, TextOf(m.R.B), TextOf(m.R.A))))); break;
    case ListOp::IMG: single(ElementList(Addresses(ExtractSources(var, "IMG", TextOf(m.R.B), TextOf(m.R.A))))); break;
    case ListOp::SPLT: single(ElementList(SplitPieces(var, TextOf(m.R.A)))); break;
    case ListOp::WRPS: single(ElementList(WrapPieces(var, TextOf(m.R.A), TextOf(m.R.B)))); break;
    case ListOp::LINE: single(ElementList(LinePieces(TextOf(m.R.A)))); break;
    case ListOp::CSV: single(ElementList(CommaSplit(TextOf(m.R.A)))); break;
    case ListOp::TPIC: {
      int filter = IntOf(m.R.A);
      TListNode n;
      n.integers = true;
      for (int i = 0; i < log_.Count(); ++i) {
        const ArticleView a = log_.View(i);
        if (TopicPasses(a, filter)) n.elements.push_back(Element{a.TOPIC, -1, std::to_string(i), std::string()});
      }
      single(std::move(n));
      break;
    }
    default: break;
  }
  return nodes;
}

void TBuiltinHost::NextElement(TScriptMachine& m) {
  TListNode* n = lists_.Node(m.R.FRP);
  if (!n) {
    m.R.FRP = 0;
    return;
  }
  if (n->clipRecord) {
    for (const auto& e : n->elements)
      if (e.slot >= 0) m.MutableSlot(e.slot) = TScriptValue::Text(e.value);
    m.R.A = TScriptValue::Integer(static_cast<std::int32_t>(n->elements.size()) - 1);
    m.R.FRP = lists_.NextOf(m.R.FRP);
    return;
  }
  const Element& e = n->elements[n->readPos];
  m.R.A = n->integers ? TScriptValue::Integer(e.number) : TScriptValue::Text(e.value);
  if (++n->readPos >= n->elements.size()) {
    n->readPos = 0;
    m.R.FRP = lists_.NextOf(m.R.FRP);
  }
}

void TBuiltinHost::List(TScriptMachine& m, std::uint8_t sub, std::int32_t operand) {
  switch (static_cast<ListOp>(sub)) {
    case ListOp::EXPN: NextElement(m); return;
    case ListOp::REMV: lists_.Drop(operand); return;
    default: break;
  }
  if (sub > static_cast<std::uint8_t>(ListOp::IMG)) return;
  std::vector<TListNode> nodes = MakeList(m, sub, operand);
  std::int32_t count = 0;
  for (const auto& n : nodes) count += n.clipRecord ? 1 : static_cast<std::int32_t>(n.elements.size());
  // The key is the address of the instruction after this one (PC is past it).
  m.R.FRP = lists_.Add(m.R.PC, std::move(nodes));
  m.R.A = TScriptValue::Integer(count);
}

}  // namespace bq::builtins
