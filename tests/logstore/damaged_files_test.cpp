// Damaged and unreadable definition files are kept, never overwritten
// unseen: a damaged one is copied aside once and the user told once, an
// unreadable one is left alone, and a read-only log writes nothing at all.
#include <gtest/gtest.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "logstore/folder_info.h"
#include "logstore/scrap_list.h"
#include "logstore_fixture.h"
#include "platform/sys.h"

namespace bq {
namespace {

using testing::Article;

const std::string kCannotRead = "\x83\x66\x81[\x83^\x82\xaa\x93\xc7\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1!";
const std::string kKeptAs =
    "\x8c\xb3\x82\xcc\x83t\x83@\x83\x43\x83\x8b\x82\xcd\x8e\x9f\x82\xcc\x96\xbc\x91O\x82\xc5\x8e\x63"
    "\x82\xb5\x82\xdc\x82\xb5\x82\xbd: ";
const std::string kLeftAlone =
    "\x93\xc7\x8d\x9e\x82\xdf\x82\xc8\x82\xa2\x83t\x83@\x83\x43\x83\x8b\x82\xcd\x8f\x91\x82\xab\x8a\xb7"
    "\x82\xa6\x82\xdc\x82\xb9\x82\xf1";

std::string NodeLines(int n, const char* first = "1136170445") {
  static const char* const kValues[16] = {"", "42", "http://site/", "user", "pass", "nick", "dpass", "1",
                                          "s.pss", "m@x", "http://home/", "0", "31", "", "", ""};
  std::string out;
  for (int i = 0; i < n; ++i) out += std::string(i == 0 ? first : kValues[i]) + "\r\n";
  return out;
}

// Opening this file fails as a file without permission would.
std::string gUnreadable;
int RefusingOpen(const char* path, int flags, int mode) {
  const std::size_t n = std::strlen(path);
  if (!gUnreadable.empty() && n >= gUnreadable.size() && gUnreadable == path + n - gUnreadable.size()) {
    errno = EACCES;
    return -1;
  }
  return ::open(path, flags, mode);
}

class DamagedFiles : public testing::TempFolder {
 protected:
  void SetUp() override {
    TempFolder::SetUp();
    folder_ = dir_ + "site/";
  }
  void TearDown() override {
    gUnreadable.clear();
    TempFolder::TearDown();
  }
  // Every file below the temporary folder with its bytes.
  std::vector<std::pair<std::string, std::string>> Snapshot() {
    std::vector<std::pair<std::string, std::string>> out;
    std::vector<std::string> dirs{dir_};
    while (!dirs.empty()) {
      const std::string d = dirs.back();
      dirs.pop_back();
      for (const auto& e : fs::ListDir(d)) {
        if (e.isDir) {
          dirs.push_back(d + e.name + "/");
        } else {
          out.emplace_back(d + e.name, Read(d + e.name));
        }
      }
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  std::string folder_;
};

struct Damage {
  const char* name;
  std::string text;
};

class DamagedNodeFile : public DamagedFiles, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedNodeFile, IsKeptAsideOnceAndRewrittenWhole) {
  const std::string original = GetParam().text;
  Write(folder_ + "kvlnode.web", original);
  {
    TScrapList list(ui_);
    ASSERT_TRUE(list.OpenFolder(folder_));
    ASSERT_EQ(ui_.calls.size(), 1u);
    const std::string& told = ui_.calls[0].text;
    EXPECT_EQ(told.substr(0, kCannotRead.size() + 2 + folder_.size()), kCannotRead + "\r\n" + folder_);
    EXPECT_NE(told.find(kKeptAs + folder_ + "kvlnode-damaged.web"), std::string::npos) << told;
    EXPECT_EQ(Read(folder_ + "kvlnode-damaged.web"), original);
    list.Folder.SiteUrl = "http://again/";
    ASSERT_TRUE(list.SaveNode());
  }
  TFolderInfo rewritten;
  EXPECT_TRUE(ParseNodeFile(Read(folder_ + "kvlnode.web"), rewritten));
  EXPECT_EQ(rewritten.SiteUrl, "http://again/");
  // The same damage found again (restored from a backup, say): the copy is
  // there already, nothing more is written or said.
  Write(folder_ + "kvlnode.web", original);
  TScrapList again(ui_);
  ASSERT_TRUE(again.OpenFolder(folder_));
  EXPECT_EQ(ui_.calls.size(), 1u);
  EXPECT_FALSE(fs::FileExists(folder_ + "kvlnode-damaged-2.web"));
}

std::string Binary() {
  std::string junk;
  for (int i = 0; i < 5000; ++i) junk += static_cast<char>(i * 31);
  return junk;
}

INSTANTIATE_TEST_SUITE_P(
    Logstore, DamagedNodeFile,
    ::testing::Values(Damage{"Truncated", NodeLines(3)}, Damage{"Binary", Binary()},
                      Damage{"TextForANumber", NodeLines(16, "garbage")},
                      Damage{"NulByte", NodeLines(16) + std::string("\0", 1)},
                      Damage{"FlagNotZeroOrOne", [] {
                               std::string t = NodeLines(16);
                               return t.replace(t.find("\r\n1\r\n") + 2, 1, "7");
                             }()},
                      Damage{"LargerThanADefinition", NodeLines(16) + std::string(2u << 20, 'x')}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

TEST_F(DamagedFiles, DefinitionsInTheirFormatAreNoDamage) {
  for (const std::string& text : {std::string(), NodeLines(12), NodeLines(16), NodeLines(16) + "Charset=UTF-8\r\n"}) {
    Write(folder_ + "kvlnode.web", text);
    TScrapList list(ui_);
    ASSERT_TRUE(list.OpenFolder(folder_));
    EXPECT_TRUE(ui_.calls.empty()) << text;
    EXPECT_FALSE(fs::FileExists(folder_ + "kvlnode-damaged.web"));
  }
}

TEST_F(DamagedFiles, AnUnreadableNodeFileIsLeftAloneAndNeverOverwritten) {
  Write(folder_ + "kvlnode.web", NodeLines(16));
  Write(folder_ + "kvllog.dat", "1,0,1,0,5,unread,,,,,,,,,\r\n");
  gUnreadable = "site/kvlnode.web";
  sys::CurrentHooks().open = RefusingOpen;
  TScrapList list(ui_);
  ASSERT_TRUE(list.OpenFolder(folder_));
  ASSERT_EQ(ui_.calls.size(), 1u);
  EXPECT_EQ(ui_.calls[0].text,
            kCannotRead + "\r\n" + folder_ + "kvlnode.web\r\n" + sys::ErrnoText(EACCES) + "\r\n" + kLeftAlone);
  // Its unread mark, the round stamp, the properties: none overwrites it.
  list.Folder.LastRound = 99;
  EXPECT_FALSE(list.SaveNode());
  ASSERT_EQ(list.FailedWrites().size(), 2u);
  EXPECT_EQ(list.FailedWrites()[1], folder_ + "kvlnode.web: " + kLeftAlone);
  sys::CurrentHooks() = sys::RealHooks();
  EXPECT_EQ(Read(folder_ + "kvlnode.web"), NodeLines(16));
  EXPECT_EQ(ui_.calls.size(), 1u);  // told once
}

TEST_F(DamagedFiles, AReadOnlyLogWritesNothingWhateverItFinds) {
  Write(folder_ + "kvlnode.web", NodeLines(5));                  // damaged
  Write(folder_ + "kvllog.dat", "1,0,1,0,5,a,,,,,,,,,\r\nx,\r\n");  // unread article, then a bad line
  Write(dir_ + "weblog.def", "1\r\nabc\r\n");                     // damaged
  const auto before = Snapshot();
  TScrapList list(ui_);
  list.SetReadOnly(true);
  ASSERT_TRUE(list.SetLogRoot(dir_));
  ASSERT_TRUE(list.OpenFolder(folder_));
  EXPECT_EQ(list.Count(), 1);
  EXPECT_FALSE(list.LoadError().empty());
  EXPECT_TRUE(list.Folder.HasUnread);  // corrected in memory only
  list.MarkRead(0);
  EXPECT_TRUE(list.SaveLog());
  EXPECT_TRUE(list.SaveRootDef());
  EXPECT_TRUE(list.OpenFolder(dir_ + "missing"));
  EXPECT_EQ(ui_.calls.size(), 3u);  // each damage told, nothing kept aside
  EXPECT_EQ(Snapshot(), before);
  EXPECT_FALSE(fs::DirectoryExists(dir_ + "missing"));
}

TEST_F(DamagedFiles, ADamagedRootDefinitionIsKeptAsideAndCountsAsNone) {
  Write(dir_ + "weblog.def", "yes\r\n8192\r\n15\r\n");
  TScrapList list(ui_);
  ASSERT_TRUE(list.SetLogRoot(dir_));
  EXPECT_FALSE(list.ScheduleEnabled);
  EXPECT_EQ(Read(dir_ + "weblog-damaged.def"), "yes\r\n8192\r\n15\r\n");
  ASSERT_EQ(ui_.calls.size(), 1u);
  list.ScheduleMinute = 5;
  ASSERT_TRUE(list.SaveRootDef());
  EXPECT_EQ(ParseRootDef(Read(dir_ + "weblog.def")).ScheduleMinute, 5);
}

TEST_F(DamagedFiles, AnUnreadableRootDefinitionIsLeftAlone) {
  Write(dir_ + "weblog.def", "1\r\n8192\r\n15\r\n");
  gUnreadable = "/weblog.def";
  sys::CurrentHooks().open = RefusingOpen;
  TScrapList list(ui_);
  ASSERT_TRUE(list.SetLogRoot(dir_));
  EXPECT_FALSE(list.SaveRootDef());
  sys::CurrentHooks() = sys::RealHooks();
  EXPECT_EQ(Read(dir_ + "weblog.def"), "1\r\n8192\r\n15\r\n");
  EXPECT_EQ(ui_.calls.size(), 1u);
}

}  // namespace
}  // namespace bq
