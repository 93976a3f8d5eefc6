// The log keeps writing exactly the bytes it always wrote. One sequence of
// operations (an odd hand-made log loaded, a few hundred generated articles
// appended, overwritten, sorted every way, deleted from, marked, reloaded)
// is run and every saved file is appended to a transcript, with the tree
// titles, identity lookups and searches the list relies on. The transcript
// is compared with tests/data/logstore/compat-transcript.txt, which the
// log store of the one-heap-string-per-field design wrote for the same
// sequence. BQ_WRITE_GOLDEN=1 writes the file anew (only after a change of
// the sequence itself).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <random>
#include <string>

#include "logstore/scrap_list.h"
#include "logstore_fixture.h"

namespace bq {
namespace {

// Lines a log file may hold beyond what the log writes itself: blanks before
// fields, quotes around and inside fields, every escape, a lone CR, a line
// without CR, an empty line, missing and extra fields, signs on numbers,
// dates of 2^31 and more written negative, double-byte characters whose
// second byte is a backslash, links under the root, marked and legacy.
std::string OddLog(const std::string& root) {
  return "1,0,1,0,1000,plain,author,m@x,hp,page,body,head,host,link,\r\n"
         "2, 0, 1,1, 1001,\"quoted title\",\"a,b\",\"\",x\"\"y,\"p q\",b\\nc\\td\\\\e\\\"f,,,,\r\n"
         "\r\n"
         "3,7,0,0,-5,\x95\x5c\x8e\xa6,\x95\x5c\\n\x95\x5c,,,,\x83\x5c\x83\x74\x83\x67\\,,,,\r\n"
         "4,0,1,0,+12,t\\,,,,,,,,\"" + root + "sub/a.txt\",\n"
         "5,0,1,2,1002,\"half\"quoted\" rest,x,,,,,,,,%LOG%sub/b.txt,\r\n"
         "6,0,1,0,1003,legacy,,,,,,,,C:\\Program Files\\Brindlequay\\Log\\old\\c.txt,\r\n"
         "7,\r\n"
         "12,0,1,0,1007,marked,,,,,,,,%LOG%sub/d.txt,\r\n"
         "13,0,1,0,1008,legacy,,,,,,,,c:\\\\program files\\\\brindlequay\\\\log\\\\e.txt,\r\n"
         "8,0,0,0,1004,a,b,c,d,e,f,g,h,i,extra,fields,\r\n"
         "\"9\",0,1,8,1005,\"\",,,,,,,,,\r\n"
         "10,0,1,0,1006,lone\rcr,trail\\\r\n"
         "2147483647,0,1,0,2147483647,max,,,,,,,,,\r\n"
         "-1,-2,1,-3,-2147483648,negative,,,,,,,,,\r\n"
         "11,0,1,0,0,\x82\xa0\x82\xa2 \x82\xa4,,,,,,,,,";
}

class CompatTranscript : public testing::TempFolder {
 protected:
  CompatTranscript() : list_(ui_) {}
  void SetUp() override {
    TempFolder::SetUp();
    root_ = dir_ + "root/";
    ASSERT_TRUE(list_.SetLogRoot(root_));
    folder_ = root_ + "site/";
    Write(folder_ + "kvllog.dat", OddLog(root_));
    ASSERT_TRUE(list_.OpenFolder(folder_));
  }

  // The saved file (paths under the temporary root made neutral).
  void Saved(const std::string& what) {
    list_.SetSelectedUnread(false);  // nothing selected: only marks the log changed
    list_.SaveLog();
    Section(what, Read(folder_ + "kvllog.dat"));
  }
  void Section(const std::string& what, std::string text) {
    for (std::size_t at = text.find(root_); at != std::string::npos; at = text.find(root_, at))
      text.replace(at, root_.size(), "<ROOT>/");
    transcript_ += "== " + what + "\n" + text + "\n";
  }
  void Titles(const std::string& what) {
    std::string text;
    for (int i = 0; i < list_.Count(); ++i) {
      const TDataInfo a = list_.GetItem(i);
      text += std::to_string(a.TOPIC) + " " + std::to_string(a.Depth) + " " + list_.TreeTitle(i) + "\n";
    }
    Section(what, text);
  }

  std::string root_, folder_, transcript_;
  TScrapList list_;
};

// Texts that need every kind of escape, and plain Japanese.
std::string Text(std::mt19937& rng, int words) {
  static const char* const kPieces[] = {"abc",  " ",    ",",        "\"",   "\\",   "\t",     "\r\n", "\n",
                                        "\r",   "\x95\x5c", "\x82\xa0", "\x93\xfa\x96\x7b", "Re:", "[ml:1]",
                                        "%LOG%", "x y"};
  std::string s;
  for (int i = 0; i < words; ++i) s += kPieces[rng() % std::size(kPieces)];
  return s;
}

TEST_F(CompatTranscript, EverySavedFileIsByteForByteWhatTheLogAlwaysWrote) {
  Section("loaded", std::to_string(list_.Count()) + " articles");
  Saved("odd log saved again");

  std::mt19937 rng(2026);
  for (int i = 0; i < 120; ++i) {
    TDataInfo a;
    a.TOPIC = 100 + static_cast<std::int32_t>(rng() % 100);
    a.REFER = rng() % 3 == 0 ? 100 + static_cast<std::int32_t>(rng() % 100) : 0;
    a.DATE = rng() % 11 == 0 ? 0 : 1700000000u + static_cast<std::uint32_t>(rng() % 5000) * 7u;
    if (rng() % 17 == 0) a.DATE = 0x80000000u + static_cast<std::uint32_t>(rng() % 100);
    a.Unread = rng() % 2 == 0;
    a.TITLE = rng() % 13 == 0 ? std::string() : Text(rng, 1 + static_cast<int>(rng() % 5));
    a.AUTHOR = Text(rng, static_cast<int>(rng() % 3));
    a.MAILTO = rng() % 2 ? std::string("u").append(std::to_string(i)).append("@example.jp") : "";
    a.HP = rng() % 5 == 0 ? "http://example.jp/~" + std::to_string(i) : "";
    a.PAGEURL = "http://bbs.example.jp/read?no=" + std::to_string(a.TOPIC);
    a.BODY = Text(rng, static_cast<int>(rng() % 20));
    a.HEAD = rng() % 7 == 0 ? Text(rng, 2) : "";
    a.HOST = rng() % 3 == 0 ? std::string("h").append(std::to_string(i % 9)).append(".example.ne.jp") : "";
    switch (rng() % 6) {
      case 0: a.LINK = root_ + "files/" + std::to_string(i) + ".txt"; break;
      case 1: a.LINK = "%LOG%files/" + std::to_string(i) + ".txt"; break;
      case 2: a.LINK = "C:\\Program Files\\Brindlequay\\Log\\x\\" + std::to_string(i); break;
      default: break;
    }
    list_.AddItem(a, rng() % 4 == 0);
  }
  Saved("appended and overwritten");
  Titles("as appended");

  list_.Descending = false;
  list_.SortItems(0);
  Saved("thread order");
  Titles("thread order, titles");
  list_.Folder.TreeView = true;
  list_.Folder.NewestReplyFirst = true;
  list_.Folder.HideIndex = true;
  list_.Descending = true;
  list_.SortItems(0);
  Saved("tree order, newest reply first, descending");
  Titles("tree order, titles");
  for (int mode = 1; mode <= 6; ++mode) {
    for (bool descending : {false, true}) {
      list_.Descending = descending;
      list_.SortItems(mode);
      std::string order;
      for (int i = 0; i < list_.Count(); ++i) order += std::to_string(list_.GetItem(i).TOPIC) + " ";
      Section("column " + std::to_string(mode) + (descending ? " descending" : " ascending"), order);
    }
  }
  Saved("column sort saved");
  Titles("column sort, titles");

  std::string lookups;
  for (int i = 0; i < 40; ++i) {
    TDataInfo key;
    key.TOPIC = 100 + static_cast<std::int32_t>(rng() % 100);
    key.DATE = list_.GetItem(static_cast<int>(rng() % static_cast<unsigned>(list_.Count()))).DATE;
    lookups += std::to_string(list_.IndexOfItem(key)) + " ";
  }
  for (const char* text : {"abc", "\x93\xfa\x96\x7b", "\x95\x5c", "x y", "nothing"}) {
    lookups += "\n";
    for (int at = list_.FindText(text, -1, true); at >= 0; at = list_.FindText(text, at, true))
      lookups += std::to_string(at) + " ";
    lookups += "| " + std::to_string(list_.FindText(text, list_.Count(), false));
  }
  Section("lookups and searches", lookups);

  list_.DeleteTopic(150);
  list_.DeleteTopic(5);
  list_.DeleteTopic(4);
  list_.RemoveItem(list_.GetItem(3));
  for (int i = 0; i < list_.Count(); i += 5) list_.SetSelected(i, true);
  list_.DeleteSelected();
  for (int i = 0; i < list_.Count(); i += 3) list_.MarkRead(i);
  for (int i = 1; i < list_.Count(); i += 4) list_.SetSelected(i, true);
  list_.SetSelectedUnread(true);
  list_.ClearSelected();
  list_.SaveLog();
  Section("deleted and marked", Read(folder_ + "kvllog.dat"));

  list_.LoadLog();
  list_.Descending = false;
  list_.SortItems(0);
  Saved("loaded again, thread order");
  Titles("loaded again, titles");

  const std::string golden = std::string(BQ_TEST_DATA) + "/logstore/compat-transcript.txt";
  if (getenv("BQ_WRITE_GOLDEN")) Write(golden, transcript_);
  const std::string expected = Read(golden);
  ASSERT_FALSE(expected.empty()) << golden;
  // Compared section by section, so a difference names its step.
  std::size_t at = 0;
  while (at < expected.size() && at < transcript_.size()) {
    const std::size_t next = expected.find("\n== ", at + 1);
    const std::size_t end = next == std::string::npos ? expected.size() : next;
    ASSERT_EQ(transcript_.substr(at, end - at), expected.substr(at, end - at));
    at = end;
  }
  EXPECT_EQ(transcript_.size(), expected.size());
}

}  // namespace
}  // namespace bq
