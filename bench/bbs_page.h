#pragma once
// A generated Shift_JIS page shaped like a Japanese bulletin board: nested
// tables, one table per post with <td> cells, <br> line breaks, entities,
// links and runs of kana and kanji (whose trail bytes include '\', '|' and
// ASCII letters). Deterministic for a given size and variant.
#include <cstddef>
#include <cstdint>
#include <string>

namespace bq::bench {

class BbsPageWriter {
 public:
  explicit BbsPageWriter(std::uint32_t variant) : state_(variant * 2654435761u + 12345u) {}

  std::string Page(std::size_t bytes) {
    std::string p;
    p.reserve(bytes + 4096);
    p += "<html><head><title>\x8c\x66\x8e\xa6\x94\xc2</title></head>\r\n<body bgcolor=\"#ffffff\">\r\n";
    p += "<table width=\"100%\" border=0><tr><td>\r\n";
    for (int no = 1; p.size() < bytes; ++no) Post(p, no);
    p += "</td></tr></table>\r\n</body></html>\r\n";
    return p;
  }

 private:
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  std::uint32_t Below(std::uint32_t n) { return Next() % n; }

  // One double-byte character: hiragana, katakana or a kanji.
  void Kanji(std::string& p) {
    switch (Below(3)) {
      case 0: p += '\x82'; p += static_cast<char>(0x9F + Below(0x52)); break;
      case 1: p += '\x83'; p += static_cast<char>(0x40 + Below(0x3F)); break;
      default: {
        p += static_cast<char>(0x88 + Below(0x18));
        unsigned t = 0x40 + Below(0xBC);
        if (t == 0x7F) t = 0x5C;
        p += static_cast<char>(t);
      }
    }
  }

  void Words(std::string& p, int count) {
    for (int i = 0; i < count; ++i) {
      std::uint32_t r = Below(20);
      if (r < 14) {
        Kanji(p);
      } else if (r < 16) {
        p += "abc de"[Below(6)];
      } else if (r == 16) {
        p += "&amp;";
      } else if (r == 17) {
        p += "&gt;";
      } else if (r == 18) {
        p += std::to_string(Below(1000));
      } else {
        p += "\x81\x40";  // full-width space
      }
    }
  }

  void Post(std::string& p, int no) {
    std::string n = std::to_string(no);
    p += "<table border=1 cellspacing=0 cellpadding=2 width=\"95%\">\r\n<tr><td>[";
    p += n;
    p += "]</td><td><b>";
    Words(p, 6 + Below(10));
    p += "</b></td><td>\x93\x8a\x8d\x65\x8e\xd2: <a href=\"mailto:user";
    p += n;
    p += "@example.jp\">";
    Words(p, 3 + Below(4));
    p += "</a></td><td>2006/01/";
    p += std::to_string(1 + Below(28));
    p += "</td></tr>\r\n<tr><td colspan=2>";
    int lines = 2 + Below(6);
    for (int l = 0; l < lines; ++l) {
      Words(p, 10 + Below(30));
      p += "<br>\r\n";
    }
    if (Below(3) == 0) {
      p += "<a href=\"http://example.jp/bbs/read.cgi?no=";
      p += n;
      p += "\" target=\"_blank\">&gt;&gt;";
      p += n;
      p += "</a>";
    }
    p += "</td></tr></table>\r\n";
  }

  std::uint32_t state_;
};

inline std::string MakeBbsPage(std::size_t bytes, std::uint32_t variant = 1) {
  return BbsPageWriter(variant).Page(bytes);
}

}  // namespace bq::bench
