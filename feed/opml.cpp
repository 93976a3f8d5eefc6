#include "feed/opml.h"

#include "feed/xml_reader.h"
#include "textlib/cp932.h"
#include "textlib/limits.h"

namespace bq::feed {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Readers differ in the case of xmlUrl and htmlUrl; names match without it.
std::string AttrNoCase(const std::vector<XmlAttribute>& attrs, std::string_view name) {
  for (const auto& a : attrs) {
    if (!a.ns.empty() || a.local.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; same && i < name.size(); ++i) same = Lower(a.local[i]) == Lower(name[i]);
    if (same) return std::string(a.value);
  }
  return {};
}

class OpmlHandler : public XmlHandler {
 public:
  explicit OpmlHandler(Opml& opml) : opml_(opml) {}
  void SetReader(XmlReader* r) { reader_ = r; }

  void StartElement(std::string_view, std::string_view local, const std::vector<XmlAttribute>& attrs) override {
    ++depth_;
    if (depth_ == 1 && local != "opml") {
      reader_->Stop(Utf8ToSjis("OPML ではありません (最初の要素 ") + std::string(local) + ")");
      return;
    }
    if (local == "title" && depth_ == 3 && inHead_) {
      inTitle_ = true;
      return;
    }
    if (depth_ == 2) {
      inHead_ = local == "head";
      inBody_ = local == "body";
      return;
    }
    if (!inBody_ || local != "outline" || stack_.size() + 3 != depth_) {
      return;  // outlines below something else are not part of the tree
    }
    if (++count_ > limits::kMaxOpmlOutlines) {
      reader_->Stop(Utf8ToSjis("アウトラインが多すぎます: " + std::to_string(limits::kMaxOpmlOutlines) + " 個まで読みました"));
      return;
    }
    Outline o;
    o.text = AttrNoCase(attrs, "text");
    o.title = AttrNoCase(attrs, "title");
    o.type = AttrNoCase(attrs, "type");
    o.xmlUrl = AttrNoCase(attrs, "xmlUrl");
    o.htmlUrl = AttrNoCase(attrs, "htmlUrl");
    o.url = AttrNoCase(attrs, "url");
    o.script = AttrNoCase(attrs, "script");
    o.round = AttrNoCase(attrs, "round") == "1";
    std::vector<Outline>& siblings = stack_.empty() ? opml_.outlines : stack_.back()->children;
    siblings.push_back(std::move(o));
    stack_.push_back(&siblings.back());
  }

  void EndElement(std::string_view, std::string_view local) override {
    if (local == "outline" && !stack_.empty() && stack_.size() + 2 == depth_) stack_.pop_back();
    if (local == "title") inTitle_ = false;
    --depth_;
  }

  void Text(std::string_view utf8) override {
    if (inTitle_ && opml_.title.size() < 4096) opml_.title.append(utf8);
  }

 private:
  Opml& opml_;
  XmlReader* reader_ = nullptr;
  std::size_t depth_ = 0, count_ = 0;
  bool inHead_ = false, inBody_ = false, inTitle_ = false;
  // The open outlines; a child is pushed only after its parent's vector has
  // stopped growing, so the pointers stay valid.
  std::vector<Outline*> stack_;
};

void AppendAttr(std::string& out, std::string_view name, std::string_view value) {
  if (value.empty()) return;
  out += ' ';
  out += name;
  out += "=\"";
  for (char c : value) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      case '\t': out += "&#9;"; break;
      default: out += c;
    }
  }
  out += '"';
}

void WriteOutline(std::string& out, const Outline& o, int level) {
  out.append(static_cast<std::size_t>(level) * 2 + 4, ' ');
  out += "<outline";
  AppendAttr(out, "type", o.type);
  AppendAttr(out, "text", o.text);
  AppendAttr(out, "title", o.title);
  AppendAttr(out, "xmlUrl", o.xmlUrl);
  AppendAttr(out, "htmlUrl", o.htmlUrl);
  AppendAttr(out, "url", o.url);
  AppendAttr(out, "script", o.script);
  if (o.round) AppendAttr(out, "round", "1");
  if (o.children.empty()) {
    out += "/>\n";
    return;
  }
  out += ">\n";
  for (const Outline& c : o.children) WriteOutline(out, c, level + 1);
  out.append(static_cast<std::size_t>(level) * 2 + 4, ' ');
  out += "</outline>\n";
}

}  // namespace

Opml ReadOpml(std::string_view bytes) {
  Opml opml;
  OpmlHandler handler(opml);
  XmlReader reader(handler);
  handler.SetReader(&reader);
  opml.error = reader.Parse(bytes);
  return opml;
}

std::string WriteOpml(const Opml& opml) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"2.0\">\n  <head>\n    <title>";
  for (char c : opml.title) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  out += "</title>\n  </head>\n  <body>\n";
  for (const Outline& o : opml.outlines) WriteOutline(out, o, 0);
  out += "  </body>\n</opml>\n";
  return out;
}

}  // namespace bq::feed
