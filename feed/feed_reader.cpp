#include "feed/feed_reader.h"

#include <algorithm>
#include <optional>

#include "feed/feed_dates.h"
#include "feed/xml_reader.h"
#include "textlib/cp932.h"
#include "textlib/html.h"
#include "textlib/limits.h"
#include "textlib/links.h"

namespace bq::feed {
namespace {

constexpr std::string_view kAtomNs = "http://www.w3.org/2005/Atom";
constexpr std::string_view kDcNs = "http://purl.org/dc/elements/1.1/";
constexpr std::string_view kContentNs = "http://purl.org/rss/1.0/modules/content/";
constexpr std::string_view kRdfNs = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

bool IsRssNs(std::string_view ns) { return ns != kAtomNs && ns != kDcNs && ns != kContentNs && ns != kRdfNs; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
bool SameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string_view Attr(const std::vector<XmlAttribute>& attrs, std::string_view local, std::string_view ns = {}) {
  for (const auto& a : attrs)
    if (a.local == local && a.ns == ns) return a.value;
  return {};
}

std::string_view TrimWs(std::string_view s) {
  auto ws = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && ws(s.front())) s.remove_prefix(1);
  while (!s.empty() && ws(s.back())) s.remove_suffix(1);
  return s;
}

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '"') out += "&quot;";
    else out += c;
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The character a reference stands for; 0 when the reference is not one
// this decoder takes (the tag rules decode &amp; &lt; &gt; &quot; &nbsp;
// &copy; themselves).
char32_t Referenced(std::string_view ref) {
  if (ref.size() >= 2 && ref[0] == '#') {
    const bool hex = ref[1] == 'x' || ref[1] == 'X';
    std::string_view digits = ref.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) return 0;
    char32_t v = 0;
    for (char c : digits) {
      int d = c >= '0' && c <= '9' ? c - '0' : hex && Lower(c) >= 'a' && Lower(c) <= 'f' ? Lower(c) - 'a' + 10 : -1;
      if (d < 0) return 0;
      v = v * (hex ? 16 : 10) + static_cast<char32_t>(d);
    }
    if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0xFFFD;
    return v;
  }
  static constexpr struct {
    std::string_view name;
    char32_t cp;
  } kNamed[] = {{"hellip", 0x2026}, {"mdash", 0x2014}, {"ndash", 0x2013}, {"lsquo", 0x2018}, {"rsquo", 0x2019},
                {"ldquo", 0x201C},  {"rdquo", 0x201D}, {"laquo", 0x00AB}, {"raquo", 0x00BB}, {"middot", 0x00B7},
                {"yen", 0x00A5},    {"times", 0x00D7}, {"apos", 0x0027},  {"trade", 0x2122}, {"reg", 0x00AE},
                {"deg", 0x00B0},    {"bull", 0x2022},  {"larr", 0x2190},  {"rarr", 0x2192}};
  for (const auto& n : kNamed)
    if (n.name == ref) return n.cp;
  return 0;
}

// Numeric references and the common named ones become their characters;
// those standing for markup become the named forms the tag rules decode,
// so "&#60;b&#62;" stays text.
std::string DecodeReferences(std::string_view html) {
  std::string out;
  out.reserve(html.size());
  for (std::size_t i = 0; i < html.size();) {
    const std::size_t amp = html.find('&', i);
    if (amp == std::string_view::npos) {
      out.append(html.substr(i));
      break;
    }
    out.append(html.substr(i, amp - i));
    const std::size_t semi = html.find(';', amp + 1);
    const char32_t cp = semi == std::string_view::npos || semi - amp > 10 ? 0 : Referenced(html.substr(amp + 1, semi - amp - 1));
    if (cp == 0) {
      out += '&';
      i = amp + 1;
      continue;
    }
    if (cp == '<') out += "&lt;";
    else if (cp == '>') out += "&gt;";
    else if (cp == '&') out += "&amp;";
    else if (cp == '"') out += "&quot;";
    else AppendUtf8(out, cp);
    i = semi + 1;
  }
  return out;
}

std::string PlainText(std::string_view utf8) {
  const std::string sjis = Utf8ToSjis(TrimWs(utf8));
  std::string out;
  out.reserve(sjis.size());
  for (std::size_t i = 0; i < sjis.size(); ++i) {
    if (sjis[i] == '\r') {
      out += "\r\n";
      if (i + 1 < sjis.size() && sjis[i + 1] == '\n') ++i;
    } else if (sjis[i] == '\n') {
      out += "\r\n";
    } else {
      out += sjis[i];
    }
  }
  return out;
}

// One line: every run of blanks and line breaks one space.
std::string OneLine(std::string_view sjis) {
  std::string out;
  bool blank = false;
  for (char c : TrimWs(sjis)) {
    const bool ws = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    if (ws && blank) continue;
    out += ws ? ' ' : c;
    blank = ws;
  }
  return out;
}

// What an element's text is: plain text, HTML, or XHTML given as elements.
enum class Kind { kText, kHtml, kXhtml };

Kind AtomKind(const std::vector<XmlAttribute>& attrs) {
  const std::string_view type = Attr(attrs, "type");
  if (SameNoCase(type, "html") || SameNoCase(type, "text/html")) return Kind::kHtml;
  if (SameNoCase(type, "xhtml") || SameNoCase(type, "application/xhtml+xml")) return Kind::kXhtml;
  return Kind::kText;
}

struct Field {
  std::string text;
  Kind kind = Kind::kText;
  bool seen = false;
};

struct ItemFields {
  Field title, link, description, encoded, content, summary, guid, pubDate, dcDate, published, updated, author,
      creator, authorName;
  std::string about, atomLink;
  bool guidIsLink = true;
  bool atom = false;
};

class FeedHandler : public XmlHandler {
 public:
  FeedHandler(Feed& feed, std::string_view address) : feed_(feed), address_(address) {}
  void SetReader(XmlReader* r) { reader_ = r; }

  void StartElement(std::string_view ns, std::string_view local, const std::vector<XmlAttribute>& attrs) override {
    const std::size_t depth = path_.size();
    path_.emplace_back(local);
    if (depth == 0) {
      feed_.isFeed = local == "rss" || local == "RDF" || local == "feed" || local == "channel";
      if (!feed_.isFeed) {
        reader_->Stop(Utf8ToSjis("RSS でも Atom でもありません (最初の要素 ") + std::string(local) + ")");
        return;
      }
    }
    if (capture_) {
      if (capture_->kind != Kind::kText) {
        std::string& t = capture_->text;
        t += '<';
        t += local;
        for (const auto& a : attrs) {
          t += ' ';
          t += a.local;
          t += "=\"";
          AppendEscaped(t, a.value);
          t += '"';
        }
        t += '>';
      }
      return;
    }
    const bool isItem = (local == "item" && IsRssNs(ns)) || (local == "entry" && ns == kAtomNs);
    if (!item_ && isItem) {
      if (feed_.items.size() >= limits::kMaxFeedItems) {
        reader_->Stop(Utf8ToSjis("項目が多すぎます: 最初の " + std::to_string(limits::kMaxFeedItems) +
                                 " 件だけを読みました"));
        return;
      }
      item_ = ItemFields{};
      item_->atom = ns == kAtomNs;
      item_->about = std::string(Attr(attrs, "about", kRdfNs));
      itemDepth_ = depth;
      return;
    }
    if (item_) {
      StartInItem(ns, local, attrs, depth - itemDepth_);
      return;
    }
    StartInChannel(ns, local, attrs);
  }

  void EndElement(std::string_view, std::string_view local) override {
    if (path_.empty()) return;
    const std::size_t depth = path_.size() - 1;
    path_.pop_back();
    if (capture_) {
      if (depth > captureDepth_) {
        if (capture_->kind != Kind::kText) {
          capture_->text += "</";
          capture_->text += local;
          capture_->text += '>';
        }
        return;
      }
      capture_ = nullptr;
      return;
    }
    if (item_ && depth == itemDepth_) {
      FinishItem();
      item_.reset();
    }
  }

  void Text(std::string_view utf8) override {
    if (!capture_) return;
    std::string& t = capture_->text;
    if (t.size() >= limits::kMaxFeedField) return;
    std::size_t room = std::min(utf8.size(), limits::kMaxFeedField - t.size());
    // Cut between characters, never inside one.
    while (room < utf8.size() && room > 0 && (static_cast<unsigned char>(utf8[room]) & 0xC0) == 0x80) --room;
    const std::string_view part = utf8.substr(0, room);
    if (capture_->kind == Kind::kXhtml) AppendEscaped(t, part);
    else t.append(part);
  }

 private:
  void Capture(Field& f, Kind kind) {
    f.text.clear();
    f.kind = kind;
    f.seen = true;
    capture_ = &f;
    captureDepth_ = path_.size() - 1;
  }

  void StartInChannel(std::string_view ns, std::string_view local, const std::vector<XmlAttribute>& attrs) {
    // Children of channel (RSS) or of the feed element (Atom).
    if (path_.size() < 2) return;
    const std::string_view parent = path_[path_.size() - 2];
    const bool atomFeed = parent == "feed" && ns == kAtomNs;
    if (!atomFeed && parent != "channel") {
      if (parent == "author" && local == "name" && ns == kAtomNs && path_.size() == 3) Capture(feedAuthor_, Kind::kText);
      return;
    }
    if (local == "title" && (atomFeed || IsRssNs(ns))) {
      Capture(feedTitle_, atomFeed ? AtomKind(attrs) : Kind::kText);
    } else if (local == "link" && atomFeed) {
      const std::string_view rel = Attr(attrs, "rel");
      if ((rel.empty() || rel == "alternate") && feedLink_.text.empty()) {
        feedLink_.text = std::string(Attr(attrs, "href"));
        feedLink_.seen = true;
      }
    } else if (local == "link" && IsRssNs(ns) && feedLink_.text.empty()) {
      Capture(feedLink_, Kind::kText);
    }
  }

  void StartInItem(std::string_view ns, std::string_view local, const std::vector<XmlAttribute>& attrs,
                   std::size_t level) {
    ItemFields& f = *item_;
    if (level == 2 && local == "name" && ns == kAtomNs && path_[path_.size() - 2] == "author") {
      Capture(f.authorName, Kind::kText);
      return;
    }
    if (level != 1) return;
    if (ns == kAtomNs) {
      if (local == "title") Capture(f.title, AtomKind(attrs));
      else if (local == "id") Capture(f.guid, Kind::kText);
      else if (local == "published") Capture(f.published, Kind::kText);
      else if (local == "updated") Capture(f.updated, Kind::kText);
      else if (local == "summary") Capture(f.summary, AtomKind(attrs));
      else if (local == "content" && Attr(attrs, "src").empty()) Capture(f.content, AtomKind(attrs));
      else if (local == "link") {
        const std::string_view rel = Attr(attrs, "rel");
        if ((rel.empty() || rel == "alternate") && f.atomLink.empty()) f.atomLink = std::string(Attr(attrs, "href"));
      }
    } else if (ns == kDcNs) {
      if (local == "creator") Capture(f.creator, Kind::kText);
      else if (local == "date") Capture(f.dcDate, Kind::kText);
    } else if (ns == kContentNs) {
      if (local == "encoded") Capture(f.encoded, Kind::kHtml);
    } else if (IsRssNs(ns)) {
      if (local == "title") Capture(f.title, Kind::kText);
      else if (local == "link") Capture(f.link, Kind::kText);
      else if (local == "description") Capture(f.description, Kind::kHtml);
      else if (local == "pubDate") Capture(f.pubDate, Kind::kText);
      else if (local == "author") Capture(f.author, Kind::kText);
      else if (local == "guid") {
        Capture(f.guid, Kind::kText);
        f.guidIsLink = !SameNoCase(Attr(attrs, "isPermaLink"), "false");
      }
    }
  }

  static std::string FieldText(const Field& f) {
    return f.kind == Kind::kText ? PlainText(f.text) : HtmlToText(f.text);
  }

  std::string Absolute(std::string_view link) const {
    const std::string sjis = Utf8ToSjis(TrimWs(link));
    if (sjis.empty() || address_.empty()) return sjis;
    const std::string abs = Resolve(address_, sjis);
    return abs.empty() ? sjis : abs;
  }

  void FinishItem() {
    const ItemFields& f = *item_;
    FeedItem it;
    const Field* body = f.encoded.seen ? &f.encoded
                        : f.content.seen ? &f.content
                        : f.description.seen ? &f.description
                        : f.summary.seen ? &f.summary
                                         : nullptr;
    if (body) it.body = FieldText(*body);
    it.title = OneLine(FieldText(f.title));
    if (it.title.empty()) {
      const std::string firstLine = it.body.substr(0, it.body.find("\r\n"));
      it.title = OneLine(firstLine.substr(0, std::min<std::size_t>(firstLine.size(), 80)));
      // Never cut a double-byte character in two.
      std::size_t i = 0, keep = 0;
      while (i < it.title.size()) {
        const std::size_t len = IsLeadByte(static_cast<unsigned char>(it.title[i])) ? 2 : 1;
        if (i + len > it.title.size()) break;
        i += len;
        keep = i;
      }
      it.title.resize(keep);
    }
    const Field& who = f.authorName.seen ? f.authorName : f.creator.seen ? f.creator : f.author.seen ? f.author : feedAuthor_;
    it.author = OneLine(PlainText(who.text));
    std::string link = f.atom ? f.atomLink : std::string(TrimWs(f.link.text));
    if (link.empty() && f.guid.seen && f.guidIsLink && !f.atom) {
      const std::string_view g = TrimWs(f.guid.text);
      if (g.starts_with("http://") || g.starts_with("https://")) link = std::string(g);
    }
    it.link = Absolute(link);
    for (const Field* d : {&f.pubDate, &f.dcDate, &f.published, &f.updated}) {
      if (d->seen && (it.date = ReadFeedDate(TrimWs(d->text))) != 0) break;
    }
    std::string_view id = TrimWs(f.guid.text);
    if (id.empty()) id = TrimWs(f.about);
    it.id = !id.empty() ? std::string(id) : !link.empty() ? link : TrimWs(f.title.text).empty() ? it.body : std::string(TrimWs(f.title.text));
    feed_.items.push_back(std::move(it));
  }

 public:
  void Finish() {
    feed_.title = OneLine(FieldText(feedTitle_));
    feed_.link = Absolute(feedLink_.text);
  }

 private:
  Feed& feed_;
  std::string address_;
  XmlReader* reader_ = nullptr;
  std::vector<std::string> path_;
  std::optional<ItemFields> item_;
  std::size_t itemDepth_ = 0;
  Field* capture_ = nullptr;
  std::size_t captureDepth_ = 0;
  Field feedTitle_, feedLink_, feedAuthor_;
};

}  // namespace

std::string HtmlToText(std::string_view utf8Html) {
  static const TagActionTable table;
  return StripHtml(Utf8ToSjis(DecodeReferences(utf8Html)), table, 0);
}

Feed ReadFeed(std::string_view bytes, std::string_view address) {
  Feed feed;
  FeedHandler handler(feed, address);
  XmlReader reader(handler);
  handler.SetReader(&reader);
  feed.error = reader.Parse(bytes);
  handler.Finish();
  return feed;
}

bool LooksLikeFeed(std::string_view b) {
  if (b.starts_with("\xFE\xFF") || b.starts_with("\xFF\xFE")) return true;
  if (b.starts_with("\xEF\xBB\xBF")) b.remove_prefix(3);
  for (int guard = 0; guard < 1000; ++guard) {
    b = TrimWs(b);
    if (b.starts_with("<?")) {
      const std::size_t end = b.find("?>");
      if (end == std::string_view::npos) return false;
      b.remove_prefix(end + 2);
    } else if (b.starts_with("<!--")) {
      const std::size_t end = b.find("-->");
      if (end == std::string_view::npos) return false;
      b.remove_prefix(end + 3);
    } else if (b.starts_with("<!")) {
      // A document type declaration may hold an internal subset in [ ].
      std::size_t end = b.find_first_of("[>");
      if (end != std::string_view::npos && b[end] == '[') {
        end = b.find(']', end);
        if (end != std::string_view::npos) end = b.find('>', end);
      }
      if (end == std::string_view::npos) return false;
      b.remove_prefix(end + 1);
    } else {
      break;
    }
  }
  if (!b.starts_with("<")) return false;
  std::size_t end = 1;
  while (end < b.size() && b[end] != '>' && b[end] != '/' && b[end] != ' ' && b[end] != '\t' && b[end] != '\r' &&
         b[end] != '\n')
    ++end;
  std::string_view name = b.substr(1, end - 1);
  const std::size_t colon = name.find(':');
  if (colon != std::string_view::npos) name.remove_prefix(colon + 1);
  return name == "rss" || name == "RDF" || name == "feed" || name == "channel";
}

std::string FindFeedLink(std::string_view html, std::string_view pageAddress) {
  for (std::size_t pos = 0; (pos = html.find('<', pos)) != std::string_view::npos;) {
    const std::size_t end = FindTagEnd(html, pos + 1);
    const std::string_view tag = html.substr(pos + 1, std::min(end, html.size()) - pos - 1);
    pos = end;
    if (tag.size() < 5 || !SameNoCase(tag.substr(0, 4), "link") || !(tag[4] == ' ' || tag[4] == '\t' || tag[4] == '\r' || tag[4] == '\n'))
      continue;
    std::string rel = HtmlTagAttribute(tag, "rel");
    for (char& c : rel) c = Lower(c);
    std::string type = HtmlTagAttribute(tag, "type");
    for (char& c : type) c = Lower(c);
    type = std::string(TrimWs(type.substr(0, type.find(';'))));
    const bool alternate = (" " + rel + " ").find(" alternate ") != std::string::npos;
    const bool feedType = type == "application/rss+xml" || type == "application/atom+xml" || type == "application/rdf+xml";
    const std::string href = DecodeHtmlEntities(TrimWs(HtmlTagAttribute(tag, "href")));
    if (!alternate || !feedType || href.empty()) continue;
    const std::string abs = Resolve(pageAddress, href);
    return abs.empty() ? href : abs;
  }
  return {};
}

}  // namespace bq::feed
