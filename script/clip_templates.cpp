#include "script/clip_templates.h"

#include "textlib/cp932.h"

namespace bq::script {

namespace {

bool IsCaptureNameByte(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '@' || c == ',' || c == ':';
}

class BodyReader {
 public:
  explicit BodyReader(std::string_view body) : s_(body) { items_.emplace_back(); }

  std::vector<TClipItem> Run() {
    while (i_ < s_.size()) Step();
    items_.back().Delimiter = pending_;
    return std::move(items_);
  }

 private:
  bool At(std::string_view lit) const { return s_.substr(i_, lit.size()) == lit; }

  // Pending text ends the current step and a fresh step of the given kind follows.
  void CloseStep(bool capture, std::string_view name) {
    items_.back().Delimiter = pending_;
    pending_.clear();
    TClipItem next;
    next.Capture = capture;
    next.Name.assign(name);
    items_.push_back(std::move(next));
  }

  void Step() {
    if (At("${")) return Capture();
    if (At("\\*")) {
      i_ += 2;
      if (!pending_.empty()) CloseStep(false, {});
      return;
    }
    if (At("!{")) return PatternStep();
    if (s_[i_] == '\\') return Escape();
    std::size_t n = IsLeadByte(static_cast<unsigned char>(s_[i_])) && i_ + 1 < s_.size() ? 2 : 1;
    pending_.append(s_.substr(i_, n));
    i_ += n;
  }

  // ${NAME}
  void Capture() {
    i_ += 2;
    std::size_t start = i_;
    while (i_ < s_.size() && IsCaptureNameByte(s_[i_])) ++i_;
    std::string_view name = s_.substr(start, i_ - start);
    if (i_ < s_.size() && s_[i_] == '}') ++i_;
    if (!pending_.empty()) {
      CloseStep(true, name);
    } else {
      items_.back().Capture = true;
      items_.back().Name.assign(name);
    }
  }

  // !{PATTERN}!
  void PatternStep() {
    i_ += 2;
    if (!pending_.empty()) CloseStep(false, {});
    std::size_t end = s_.find("}!", i_);
    if (end == std::string_view::npos) end = s_.size();
    items_.back().Pattern = true;
    items_.back().Delimiter.assign(s_.substr(i_, end - i_));
    i_ = end == s_.size() ? end : end + 2;
    items_.emplace_back();
  }

  void Escape() {
    ++i_;
    if (At("\r\n")) {
      i_ += 2;
      return;
    }
    if (i_ >= s_.size()) return;  // a lone backslash at the end adds nothing
    std::size_t n = IsLeadByte(static_cast<unsigned char>(s_[i_])) && i_ + 1 < s_.size() ? 2 : 1;
    pending_.append(s_.substr(i_, n));
    i_ += n;
  }

  std::string_view s_;
  std::size_t i_ = 0;
  std::string pending_;
  std::vector<TClipItem> items_;
};

}  // namespace

std::vector<TClipItem> ParseClipBody(std::string_view body) { return BodyReader(body).Run(); }

TClipTemplate& TClipTemplates::Declare(std::string_view name, std::string_view body) {
  for (TClipTemplate& t : list_)
    if (t.Name == name) {
      t.Items = ParseClipBody(body);
      return t;
    }
  list_.push_back(TClipTemplate{std::string(name), ParseClipBody(body)});
  return list_.back();
}

const TClipTemplate* TClipTemplates::ByName(std::string_view name) const {
  for (const TClipTemplate& t : list_)
    if (t.Name == name) return &t;
  return nullptr;
}

std::string DumpClipTemplate(const TClipTemplate& t) {
  std::string out;
  for (const TClipItem& item : t.Items) {
    out += item.Capture ? item.Name : std::string("*");
    if (item.Pattern) out += '!';
    out += ':';
    for (std::size_t i = 0; i < item.Delimiter.size(); ++i) {
      if (item.Delimiter.compare(i, 2, "\r\n") == 0) {
        out += "\\n";
        ++i;
      } else {
        out += item.Delimiter[i];
      }
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace bq::script
