#pragma once
// A page of a board in the form libs/board.pss reads (one <div class="post">
// per post, numbered from 1, every third post from the sixth on a reply to
// the post two before it), Shift_JIS. For the benchmark of the sample script
// and the tests that check what it stores.
#include <string>

#include "textlib/cp932.h"

namespace bq::bench {

// The post a reply answers (0 for a new thread).
inline int BoardReplyTo(int no) { return no > 3 && no % 3 == 0 ? no - 2 : 0; }

inline std::string BoardPostsPage(int posts) {
  const std::string title = Utf8ToSjis("記事の題名 "), by = Utf8ToSjis("投稿者:"), name = Utf8ToSjis("名無しさん");
  const std::string body = Utf8ToSjis("本文の一行目です。<br>二行目には少し長めの文章が続きます。");
  std::string s = "<html><head><title>board</title></head><body>\n";
  s.reserve(static_cast<std::size_t>(posts) * 300);
  for (int no = 1; no <= posts; ++no) {
    std::string n = std::to_string(no);
    s += "<div class=\"post\"><a name=\"" + n + "\">[" + n + "]</a> <span class=\"re\">" +
         std::to_string(BoardReplyTo(no)) + "</span> <b>" + title + n + "</b> " + by + "<i>" + name +
         "</i> <small>2026/12/0" + std::to_string(1 + no % 9) + " 1" + std::to_string(no % 10) + ":3" +
         std::to_string(no % 10) + "</small>\n<blockquote>" + body + "</blockquote></div>\n";
  }
  return s + "</body></html>\n";
}

}  // namespace bq::bench
