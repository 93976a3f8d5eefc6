#pragma once
// The large logs the benchmarks open: a busy board's folder with threads and
// replies and Japanese texts, written once through the log itself.
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "logstore/scrap_list.h"
#include "platform/ui.h"

namespace bq::bench {

// Hiragana, common kanji and punctuation in Shift_JIS.
inline const char* const kWords[] = {"\x82\xa0", "\x82\xa2", "\x82\xa4", "\x82\xa6", "\x82\xa8", "\x82\xa9",
                                     "\x82\xab", "\x82\xad", "\x93\xfa", "\x96\x7b", "\x8c\xea", "\x95\xb6",
                                     "\x8f\x91", "\x90\x6c", "\x8e\x9e", "\x8a\xd4", "\x81\x42", "\x81\x41"};

// count double-byte characters of Japanese text, broken into lines of 40.
template <typename Rng>
std::string JapaneseText(Rng& rng, int count) {
  std::uniform_int_distribution<int> word(0, static_cast<int>(std::size(kWords)) - 1);
  std::string s;
  for (int i = 0; i < count; ++i) {
    s += kWords[word(rng)];
    if (i % 40 == 39) s += "\r\n";
  }
  return s;
}

// The folder the generated logs live in: BQ_LIST_BENCH_DIR when set (kept
// between runs, so a large log is written once), else a fresh folder under
// /tmp removed when the program ends.
class BenchRoot {
 public:
  BenchRoot() {
    if (const char* kept = getenv("BQ_LIST_BENCH_DIR")) {
      root_ = kept;
      keep_ = true;
      return;
    }
    char tmpl[] = "/tmp/bqbench.XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    root_ = tmpl;
  }
  ~BenchRoot() {
    if (!keep_) std::filesystem::remove_all(root_);
  }
  BenchRoot(const BenchRoot&) = delete;
  BenchRoot& operator=(const BenchRoot&) = delete;
  const std::string& Path() const { return root_; }

 private:
  std::string root_;
  bool keep_ = false;
};

// Every fifth article starts a thread; the others reply to one of the last
// 2,000 threads: to its first article mostly, else to one of its replies,
// so threads interleave and run a few levels deep. A third are unread.
// bodyChars double-byte characters of body, broken into lines of 40.
inline void WriteBoardFolder(const std::string& dir, int count, int bodyChars) {
  std::mt19937 rng(12);
  auto text = [&](int chars) { return JapaneseText(rng, chars); };
  RecordingUi ui;
  TScrapList log(ui);
  log.OpenFolder(dir);
  log.Folder.TreeView = true;
  std::vector<std::vector<int>> threads;
  for (int i = 1; i <= count; ++i) {
    TDataInfo a;
    a.TOPIC = i;
    if (i % 5 == 1) {
      threads.push_back({i});
    } else {
      const std::size_t window = std::min<std::size_t>(threads.size(), 2000);
      std::vector<int>& thread = threads[threads.size() - 1 - rng() % window];
      a.REFER = rng() % 10 < 7 ? thread[0] : thread[rng() % thread.size()];
      thread.push_back(i);
    }
    a.DATE = 1700000000u + static_cast<std::uint32_t>(i) * 30u;
    a.Unread = rng() % 3 == 0;
    a.TITLE = (a.REFER ? "Re: " : "") + text(10);
    a.AUTHOR = text(4);
    a.BODY = text(bodyChars);
    a.HOST = "host" + std::to_string(i % 977) + ".example.ne.jp";
    log.AddItem(a, false);
  }
  log.SaveNode();
  log.SaveLog();
}

}  // namespace bq::bench
