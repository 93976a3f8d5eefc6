#pragma once
// Links, images and frames of fetched HTML, absolute addresses against the
// page they came from, and the address encoder and decoder that every
// fetched address and every form value goes through. Shift_JIS text.
#include <string>
#include <string_view>
#include <vector>

namespace bq {

// One entry of a link list: the link's visible text (the ALT value for
// images and frames) and its absolute address.
struct LinkEntry {
  std::string text;
  std::string address;
  bool operator==(const LinkEntry&) const = default;
};
using LinkList = std::vector<LinkEntry>;

// The value of attribute `name` (upper-case ASCII) in a tag's text:
//   NAME=value   NAME="value"   NAME='value'   -> value (case kept)
//   NAME = value, NAME="unclosed, NAME absent   -> empty
// The name counts only as a whole attribute name outside quoted values, so
// <a title="HREF" href=x> gives x for HREF.
std::string AttrValue(std::string_view name, std::string_view tag);

// The absolute address of `address` on the page at `base`, or empty.
std::string Resolve(std::string_view base, std::string_view address);

// The page address without anything from the first '#' or '?'.
std::string_view WithoutQuery(std::string_view address);

// The <A>/<AREA> links of the HTML; with a filter only those whose address
// has some part matching the filter pattern.
LinkList ExtractLinks(std::string_view html, std::string_view base, std::string_view filter = {});
// The SRC addresses of the tags whose text begins with tagName ("IMG" or
// "FRAME"), each with its ALT value, filtered like ExtractLinks.
LinkList ExtractSources(std::string_view html, std::string_view tagName, std::string_view base,
                        std::string_view filter = {});

// The address of the first link whose whole text matches the pattern (the
// first link when the pattern is empty); empty when there is none.
std::string FirstLinkByText(const LinkList& links, std::string_view pattern);
// The address of the first entry in which the pattern matches somewhere
// (the first entry when the pattern is empty); empty when there is none.
std::string FirstSourceByAddress(const LinkList& sources, std::string_view pattern);

// Percent-encodes an address (plusForSpace false) or a form value
// (plusForSpace true, euc as the page declares). Double-byte characters are
// escaped (as EUC-JP when euc), spaces become %20 before '?' and '+' after it
// or everywhere with plusForSpace. An address keeps its existing %XX escapes
// and '+' signs, so encoding an address twice changes nothing.
std::string EncodeAddress(std::string_view text, bool plusForSpace, bool euc);
// The code a form's values are sent in: that of the page the form came from.
enum class FormCharset { kSjis, kEuc, kUtf8 };
// Encodes form data as EncodeAddress with plusForSpace does, sending the
// characters of 0x80 and above in the page's code: Shift_JIS, EUC-JP, or
// (for a page that came in UTF-8) the escaped UTF-8 bytes, as a browser does.
std::string EncodeFormText(std::string_view text, FormCharset charset);
// Undoes percent-encoding: %XX becomes its byte and '+' a space. A '%'
// without two hexadecimal digits raises bq::Exception "'%..' は整数ではありません".
std::string DecodeAddress(std::string_view text);

// True for "http://host/..." or "https://host/..." (blanks around ignored,
// scheme without case).
bool IsWebAddress(std::string_view text);

}  // namespace bq
