#include "feed/xml_reader.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "textlib/cp932.h"
#include "textlib/kanji.h"
#include "textlib/limits.h"

namespace bq::feed {
namespace {

constexpr char kNsSeparator = '\x01';
constexpr std::size_t kChunk = 1u << 20;

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

bool AnyOf(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::any_of(names.begin(), names.end(), [&](std::string_view n) { return SameName(name, n); });
}

// "uri\x01local" as expat gives a name in a namespace, or "local".
void SplitName(const XML_Char* name, std::string_view& ns, std::string_view& local) {
  std::string_view n(name);
  const std::size_t sep = n.find(kNsSeparator);
  ns = sep == std::string_view::npos ? std::string_view() : n.substr(0, sep);
  local = sep == std::string_view::npos ? n : n.substr(sep + 1);
}

// Shift_JIS: ASCII, half-width katakana, and a lead byte with its trail.
int ConvertSjis(void*, const char* s) {
  const unsigned char lead = static_cast<unsigned char>(s[0]), trail = static_cast<unsigned char>(s[1]);
  if (!IsTrailByte(trail)) return -1;
  return static_cast<int>(SjisCodePoint(lead, trail));
}

// EUC-JP: 0x8E and a half-width katakana byte, 0x8F and a JIS X 0212 pair
// (which Shift_JIS cannot hold), or a JIS X 0208 pair.
int ConvertEuc(void*, const char* s) {
  const unsigned char a = static_cast<unsigned char>(s[0]), b = static_cast<unsigned char>(s[1]);
  if (a == 0x8E) return b >= 0xA1 && b <= 0xDF ? 0xFF61 + (b - 0xA1) : -1;
  if (a == 0x8F) {
    const unsigned char c = static_cast<unsigned char>(s[2]);
    return b >= 0xA1 && b <= 0xFE && c >= 0xA1 && c <= 0xFE ? 0xFFFD : -1;
  }
  if (b < 0xA1 || b > 0xFE) return -1;
  const std::string sjis = EucToSjis(std::string_view(s, 2));
  if (sjis.size() != 2) return 0xFFFD;
  return static_cast<int>(SjisCodePoint(static_cast<unsigned char>(sjis[0]), static_cast<unsigned char>(sjis[1])));
}

int XMLCALL UnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
  const std::string_view n(name);
  const bool sjis = AnyOf(n, {"Shift_JIS", "Shift-JIS", "SJIS", "x-sjis", "CP932", "Windows-31J", "MS_Kanji"});
  const bool euc = AnyOf(n, {"EUC-JP", "x-euc-jp", "EUCJP", "EUC_JP"});
  if (!sjis && !euc) return XML_STATUS_ERROR;
  for (int b = 0; b < 256; ++b) {
    if (b < 0x80) {
      info->map[b] = b;
    } else if (sjis) {
      info->map[b] = IsLeadByte(static_cast<unsigned char>(b)) ? -2
                     : (b >= 0xA1 && b <= 0xDF)                ? 0xFF61 + (b - 0xA1)
                                                                : 0xFFFD;
    } else {
      info->map[b] = b == 0x8E ? -2 : b == 0x8F ? -3 : (b >= 0xA1 && b <= 0xFE) ? -2 : 0xFFFD;
    }
  }
  info->data = nullptr;
  info->convert = sjis ? ConvertSjis : ConvertEuc;
  info->release = nullptr;
  return XML_STATUS_OK;
}

// ISO-2022-JP switches character sets with escape sequences, which expat's
// byte tables cannot follow: a document declaring it is read as the
// Shift_JIS text it converts to, its declaration naming that instead.
std::optional<std::string> FromIso2022Jp(std::string_view bytes) {
  const std::size_t close = bytes.find("?>");
  if (bytes.substr(0, 5) != "<?xml" || close == std::string_view::npos || close > 512) return std::nullopt;
  const std::string_view decl = bytes.substr(0, close);
  const std::size_t word = decl.find("encoding");
  const std::size_t open = word == std::string_view::npos ? word : decl.find_first_of("\"'", word);
  if (open == std::string_view::npos) return std::nullopt;
  const std::size_t end = decl.find(decl[open], open + 1);
  if (end == std::string_view::npos || !AnyOf(decl.substr(open + 1, end - open - 1), {"ISO-2022-JP", "csISO2022JP"}))
    return std::nullopt;
  return std::string(bytes.substr(0, open + 1)) + "Shift_JIS" + JisToSjis(bytes.substr(end));
}

}  // namespace

struct XmlCallbacks {
  static void XMLCALL Start(void* data, const XML_Char* name, const XML_Char** atts) {
    auto* r = static_cast<XmlReader*>(data);
    if (!r->stopReason_.empty()) return;
    if (++r->depth_ > limits::kMaxXmlDepth) {
      r->Stop(Utf8ToSjis("要素の入れ子が深すぎます (" + std::to_string(limits::kMaxXmlDepth) + " 段まで)"));
      return;
    }
    std::string_view ns, local;
    SplitName(name, ns, local);
    std::vector<XmlAttribute> attrs;
    for (int i = 0; atts[i] && atts[i + 1]; i += 2) {
      XmlAttribute a;
      SplitName(atts[i], a.ns, a.local);
      a.value = atts[i + 1];
      attrs.push_back(a);
    }
    r->handler_.StartElement(ns, local, attrs);
  }
  static void XMLCALL End(void* data, const XML_Char* name) {
    auto* r = static_cast<XmlReader*>(data);
    if (r->depth_ > 0) --r->depth_;
    if (!r->stopReason_.empty()) return;
    std::string_view ns, local;
    SplitName(name, ns, local);
    r->handler_.EndElement(ns, local);
  }
  static void XMLCALL Text(void* data, const XML_Char* s, int len) {
    auto* r = static_cast<XmlReader*>(data);
    if (r->stopReason_.empty() && len > 0) r->handler_.Text(std::string_view(s, static_cast<std::size_t>(len)));
  }
  // Feeds and subscription lists never need entities of their own; refusing
  // every declaration leaves no room for an expansion attack.
  static void XMLCALL EntityDecl(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                 const XML_Char*, const XML_Char*, const XML_Char*) {
    static_cast<XmlReader*>(data)->Stop(
        Utf8ToSjis("実体宣言 (<!ENTITY>) を含む XML は読みません: 実体展開攻撃のおそれがあります"));
  }
};

void XmlReader::Stop(std::string reason) {
  if (!stopReason_.empty()) return;
  stopReason_ = std::move(reason);
  if (parser_) XML_StopParser(static_cast<XML_Parser>(parser_), XML_FALSE);
}

std::string XmlReader::Parse(std::string_view bytes) {
  struct Owner {
    XML_Parser p;
    ~Owner() { XML_ParserFree(p); }
  } owner{XML_ParserCreateNS(nullptr, kNsSeparator)};
  if (!owner.p) return "out of memory";
  const std::optional<std::string> converted = FromIso2022Jp(bytes);
  if (converted) bytes = *converted;
  XML_Parser p = owner.p;
  parser_ = p;
  stopReason_.clear();
  depth_ = 0;
  XML_SetUserData(p, this);
  XML_SetElementHandler(p, XmlCallbacks::Start, XmlCallbacks::End);
  XML_SetCharacterDataHandler(p, XmlCallbacks::Text);
  XML_SetEntityDeclHandler(p, XmlCallbacks::EntityDecl);
  XML_SetUnknownEncodingHandler(p, UnknownEncoding, nullptr);
  XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
  std::size_t pos = 0;
  XML_Status status = XML_STATUS_OK;
  do {
    const std::size_t n = std::min(kChunk, bytes.size() - pos);
    const bool last = pos + n == bytes.size();
    status = XML_Parse(p, bytes.data() + pos, static_cast<int>(n), last ? XML_TRUE : XML_FALSE);
    pos += n;
  } while (status == XML_STATUS_OK && pos < bytes.size());
  parser_ = nullptr;
  if (!stopReason_.empty()) return stopReason_;
  if (status == XML_STATUS_OK) return std::string();
  const XML_Error code = XML_GetErrorCode(p);
  return Utf8ToSjis("XML の誤り (" + std::to_string(XML_GetCurrentLineNumber(p)) + " 行 " +
                    std::to_string(XML_GetCurrentColumnNumber(p) + 1) + " 桁): ") +
         XML_ErrorString(code);
}

}  // namespace bq::feed
