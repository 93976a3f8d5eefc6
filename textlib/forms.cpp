#include "textlib/forms.h"

#include <algorithm>
#include <array>

#include "textlib/links.h"
#include "textlib/links_scan.h"

namespace bq {
namespace {

using links_detail::StartsWithNoCase;
using links_detail::TagText;
using links_detail::TrimBlanks;
using links_detail::UpperCopy;

// An INPUT tag's text (or the text made up for an OPTION) as a field; type
// 0 when the TYPE is missing or unknown.
FormField ReadField(const std::string& tag) {
  FormField f;
  f.type = FieldTypeOf(AttrValue("TYPE", tag));
  if (f.type == 0) return f;
  f.name = AttrValue("NAME", tag);
  f.value = TrimBlanks(AttrValue("VALUE", tag));
  f.checked = UpperCopy(tag).find(f.type == kFieldOption ? "SELECTED" : "CHECKED") != std::string::npos;
  return f;
}

void AddField(FormState& form, const std::string& tag) {
  FormField f = ReadField(tag);
  if (f.type != 0) form.fields.push_back(std::move(f));
}

bool HasButton(const FormState& form, std::string_view button) {
  return std::any_of(form.fields.begin(), form.fields.end(), [&](const FormField& f) {
    return (f.type == kFieldSubmit || f.type == kFieldButton) && f.value == button;
  });
}

// The form tag starts a new form; an empty ACTION submits to the page itself.
void OpenForm(FormState& form, std::string_view pageAddress, const std::string& tag) {
  form.name = AttrValue("NAME", UpperCopy(tag));
  std::string action = AttrValue("ACTION", tag);
  form.action = action.empty() ? std::string(WithoutQuery(pageAddress)) : Resolve(pageAddress, action);
  form.post = UpperCopy(AttrValue("METHOD", tag)) == "POST";
  form.fields.clear();
}

// The page's charset declaration outlives the forms that did not match.
void ClearForm(FormState& form) {
  bool euc = form.euc, utf8 = form.utf8;
  form = FormState{};
  form.euc = euc;
  form.utf8 = utf8;
}

// A META tag that declares the page's charset, as Content-Type or alone.
void ReadCharsetMeta(FormState& form, const std::string& tag) {
  std::string charset;
  if (UpperCopy(AttrValue("HTTP-EQUIV", tag)) == "CONTENT-TYPE") {
    std::string content = UpperCopy(AttrValue("CONTENT", tag));
    form.euc = content.find("CHARSET=EUC-JP") != std::string::npos;
    form.utf8 = content.find("CHARSET=UTF-8") != std::string::npos || content.find("CHARSET=UTF8") != std::string::npos;
  } else if (!(charset = UpperCopy(AttrValue("CHARSET", tag))).empty()) {
    form.euc = charset == "EUC-JP";
    form.utf8 = charset == "UTF-8" || charset == "UTF8";
  }
}

FormCharset CharsetOf(const FormState& form) {
  if (form.utf8) return FormCharset::kUtf8;
  return form.euc ? FormCharset::kEuc : FormCharset::kSjis;
}

std::vector<std::string_view> SplitAmp(std::string_view s) {
  std::vector<std::string_view> parts;
  for (std::size_t from = 0;;) {
    std::size_t amp = s.find('&', from);
    parts.push_back(s.substr(from, amp == std::string_view::npos ? amp : amp - from));
    if (amp == std::string_view::npos) return parts;
    from = amp + 1;
  }
}

}  // namespace

int FieldTypeOf(std::string_view typeAttr) {
  static constexpr std::array<std::string_view, 11> kNames = {"TEXT",   "PASSWORD", "CHECKBOX", "RADIO",
                                                              "SUBMIT", "RESET",    "FILE",     "HIDDEN",
                                                              "IMAGE",  "BUTTON",   "OPTION"};
  std::string upper = UpperCopy(typeAttr);
  for (std::size_t i = 0; i < kNames.size(); ++i)
    if (upper == kNames[i]) return static_cast<int>(i) + 1;
  return 0;
}

bool FindForm(std::string_view pageAddress, std::string_view selector, std::string_view html, FormState& form) {
  std::size_t sep = selector.find("::");
  std::string_view askedName = sep == std::string_view::npos ? std::string_view() : selector.substr(0, sep);
  std::string_view button = sep == std::string_view::npos ? selector : selector.substr(sep + 2);
  form = FormState{};
  std::string selectName;
  bool open = false, found = false;
  auto closes = [&] { return (askedName.empty() || askedName == form.name) && HasButton(form, button); };
  links_detail::ScanTags(
      html, [](std::string_view) {},
      [&](std::string_view raw) {
        if (StartsWithNoCase(raw, "META")) {
          ReadCharsetMeta(form, TagText(raw));
        } else if (StartsWithNoCase(raw, "FORM")) {
          OpenForm(form, pageAddress, TagText(raw));
          selectName.clear();
          open = true;
        } else if (StartsWithNoCase(raw, "INPUT")) {
          AddField(form, TagText(raw));
        } else if (StartsWithNoCase(raw, "SELECT")) {
          selectName = AttrValue("NAME", TagText(raw));
        } else if (StartsWithNoCase(raw, "/SELECT")) {
          selectName.clear();
        } else if (StartsWithNoCase(raw, "OPTION")) {
          if (!selectName.empty()) AddField(form, "SELECT NAME=" + selectName + " TYPE=" + TagText(raw));
        } else if (StartsWithNoCase(raw, "/FORM")) {
          if (closes()) {
            found = true;
            return false;
          }
          ClearForm(form);
          open = false;
        }
        return true;
      });
  if (!found && open && closes()) found = true;  // a form never closed ends with the page
  if (!found) ClearForm(form);
  return found;
}

std::string BuildFormData(const FormState& form, std::string_view userFields) {
  std::vector<std::string_view> user = SplitAmp(userFields);
  auto givenByUser = [&](const std::string& name) {
    return std::any_of(user.begin(), user.end(),
                       [&](std::string_view u) { return u.substr(0, u.find('=')) == name; });
  };
  std::string data;
  for (const FormField& f : form.fields) {
    if (f.name.empty() || givenByUser(f.name)) continue;
    if (f.type == 0 || f.type == kFieldReset) continue;
    bool needsCheck = f.type == kFieldCheckbox || f.type == kFieldRadio || f.type == kFieldOption;
    if (needsCheck && !f.checked) continue;
    data += f.name + "=" + EncodeFormText(f.value, CharsetOf(form)) + "&";
  }
  data += EncodeFormText(userFields, CharsetOf(form));
  if (!data.empty() && data.back() == '&') data.pop_back();
  return data;
}

std::string FormRequestAddress(const FormState& form, std::string_view data) {
  if (form.post) return EncodeAddress(form.action, false, false);
  char join = form.action.find('?') == std::string::npos ? '?' : '&';
  return EncodeAddress(form.action + join + std::string(data), false, false);
}

}  // namespace bq
