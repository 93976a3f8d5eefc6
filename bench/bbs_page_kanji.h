#pragma once
// Generates a bulletin-board page (nested tables, <td> cells, <br>, entities,
// links, Japanese text) of about a given size, written at once in Shift_JIS,
// EUC-JP and ISO-2022-JP so the three copies hold the same characters.
#include <cstddef>
#include <cstdint>
#include <string>

namespace bq::bench {

struct BbsPage {
  std::string sjis, euc, jis;
};

class BbsPageWriter {
 public:
  void Ascii(const std::string& s) {
    if (kanji_) {
      page_.jis += "\x1b(B";
      kanji_ = false;
    }
    page_.sjis += s;
    page_.euc += s;
    page_.jis += s;
  }
  // One JIS X 0208 character, row and cell 1..94.
  void Kanji(unsigned row, unsigned cell) {
    unsigned j1 = row + 0x20, j2 = cell + 0x20;
    if (!kanji_) {
      page_.jis += "\x1b$B";
      kanji_ = true;
    }
    page_.jis += static_cast<char>(j1);
    page_.jis += static_cast<char>(j2);
    page_.euc += static_cast<char>(j1 | 0x80);
    page_.euc += static_cast<char>(j2 | 0x80);
    page_.sjis += static_cast<char>((j1 + 1) / 2 + (j1 > 0x5E ? 0xB0 : 0x70));
    unsigned t = (j1 & 1) ? j2 + 0x1F + (j2 + 0x1F >= 0x7F ? 1 : 0) : j2 + 0x7E;
    page_.sjis += static_cast<char>(t);
  }
  // A run of Japanese text: hiragana mostly, kanji of level 1 now and then.
  void Text(int chars) {
    for (int i = 0; i < chars; ++i) {
      std::uint32_t r = Next();
      if (r % 3 == 0)
        Kanji(16 + r / 3 % 31, 1 + r / 97 % 94);  // rows 16-46 are full
      else
        Kanji(4, 1 + r / 3 % 83);
    }
  }
  std::size_t Size() const { return page_.sjis.size(); }
  BbsPage Take() { return std::move(page_); }
  std::uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }

 private:
  BbsPage page_;
  bool kanji_ = false;
  std::uint32_t state_ = 12345;
};

// charsetTag is inserted as the page's declaration; use %s-free literal text.
inline BbsPage MakeBbsPage(std::size_t bytes, const std::string& metaCharset) {
  BbsPageWriter w;
  w.Ascii("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + metaCharset +
          "\"><title>");
  w.Text(12);
  w.Ascii("</title></head><body><table border=1 width=\"100%\">\r\n");
  for (int post = 1; w.Size() < bytes; ++post) {
    std::string n = std::to_string(post);
    w.Ascii("<tr><td><table><tr><td><b>" + n + "</b> ");
    w.Text(4);
    w.Ascii("</td><td><a href=\"mailto:user" + n + "@example.jp\">");
    w.Text(3);
    w.Ascii("</a></td><td>2026/12/08 12:" + std::to_string(post % 60) + "</td></tr></table>\r\n<td>");
    int lines = 2 + static_cast<int>(w.Next() % 4);
    for (int l = 0; l < lines; ++l) {
      w.Text(8 + static_cast<int>(w.Next() % 24));
      w.Ascii(l % 2 ? " &gt;&gt;" + n + " &amp; <br>\r\n" : "<br>\r\n");
    }
    w.Ascii("<a href=\"../read.cgi/board/" + n + "/l50\" target=\"_blank\">");
    w.Text(5);
    w.Ascii("</a> <a href=\"/img/p" + n + ".jpg\"><img src=\"t" + n + ".png\" alt=\"img\"></a></td></tr>\r\n");
  }
  w.Ascii("</table></body></html>\r\n");
  return w.Take();
}

}  // namespace bq::bench
