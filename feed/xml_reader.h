#pragma once
// The one way the system reads XML documents (feeds, subscription lists):
// libexpat, a streaming parser, set up for hostile input.
//
// Accepted documents:
//   <?xml version="1.0" encoding="UTF-8"?>       UTF-8 (also without a
//                                                declaration), UTF-16 and
//                                                ISO-8859-1 by expat itself
//   <?xml version="1.0" encoding="Shift_JIS"?>   also SJIS, x-sjis, CP932,
//                                                Windows-31J, MS_Kanji
//   <?xml version="1.0" encoding="EUC-JP"?>      also x-euc-jp, EUCJP
//   a byte order mark                            decides over the declaration
// Refused, with a message naming the fault:
//   <!DOCTYPE x [<!ENTITY a "...">]>             any entity declaration: no
//                                                expansion attack can start
//   not well-formed text                         expat's reason, line, column
//   more than kMaxXmlDepth nested elements
// Text reaches the handler in UTF-8; characters that the document's code
// maps to nothing arrive as U+FFFD.
#include <string>
#include <string_view>
#include <vector>

namespace bq::feed {

struct XmlAttribute {
  std::string_view ns;     // namespace URI, empty for none
  std::string_view local;  // name without prefix
  std::string_view value;
};

class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual void StartElement(std::string_view ns, std::string_view local, const std::vector<XmlAttribute>& attrs) = 0;
  virtual void EndElement(std::string_view ns, std::string_view local) = 0;
  virtual void Text(std::string_view utf8) = 0;
};

class XmlReader {
 public:
  explicit XmlReader(XmlHandler& handler) : handler_(handler) {}
  // Reads the whole document. Empty when it was read to its end; otherwise
  // the reason it ended (Shift_JIS), the handler having seen everything
  // before the fault.
  std::string Parse(std::string_view bytes);
  // From inside a handler call: ends the reading with this reason.
  void Stop(std::string reason);

 private:
  friend struct XmlCallbacks;
  XmlHandler& handler_;
  void* parser_ = nullptr;
  std::string stopReason_;
  std::size_t depth_ = 0;
};

}  // namespace bq::feed
