#include "script/warnings.h"

#include "textlib/cp932.h"

namespace bq::script {

const TWarningKind& WarningKind(WarningCode code) {
  return kWarningKinds[static_cast<std::size_t>(code) < kWarningKindCount ? static_cast<std::size_t>(code) : 0];
}

const TWarningKind* WarningKindByTag(std::string_view tag) {
  for (const TWarningKind& k : kWarningKinds)
    if (k.tag == tag) return &k;
  return nullptr;
}

std::string WarningLine(const TCompileWarning& w) {
  return Utf8ToSjis("警告: ") + w.Text + " [" + std::string(WarningKind(w.Code).tag) + "]";
}

std::string WarningMessage(WarningCode code, const std::vector<std::string>& args) {
  std::string text = Utf8ToSjis(WarningKind(code).message);
  std::string out;
  out.reserve(text.size() + 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
      out += c;
      out += text[++i];
      continue;
    }
    std::size_t n = i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - '1') : args.size();
    if (c == '%' && n < args.size()) {
      out.append(args[n]);
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace bq::script
