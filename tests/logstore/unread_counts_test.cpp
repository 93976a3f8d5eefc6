// A folder's unread count read from its log file, and kept until the file
// changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logstore/log_file.h"
#include "logstore/scrap_list.h"
#include "logstore/unread_counts.h"
#include "logstore_fixture.h"

namespace bq {
namespace {

using testing::Article;

TEST(CountUnread, CountsTheUnreadFieldOfEveryLineAsALoadReadsIt) {
  struct Case {
    const char* name;
    std::string log;
    int unread;
  } const cases[] = {
      {"empty", "", 0},
      {"mixed", "1,0,1,0,5,t,,,,,,,,,\r\n2,0,0,0,6,t,,,,,,,,,\r\n3,0,1,0,7,t,,,,,,,,,\r\n", 2},
      {"blank lines and LF alone", "\r\n1,0,1,0,5,t,\n\n2,0,1,0,6,t,", 2},
      {"quoted flag", "1,0,\"1\",0,5,\"a, b\",\r\n", 1},
      {"commas in a text", "1,0,0,0,5,\"1,1,1\",\r\n", 0},
      {"other values are read", "1,0,2,0,5,t,\r\n1,0,,0,5,t,\r\n", 0},
      {"stops where a load stops", "1,0,1,0,5,t,\r\nx,0,1,0,5,t,\r\n2,0,1,0,5,t,\r\n", 1},
  };
  for (const Case& c : cases) {
    std::vector<char> bytes(c.log.begin(), c.log.end());
    EXPECT_EQ(CountUnread(bytes.data(), bytes.size()), c.unread) << c.name;
  }
}

class UnreadCounts : public testing::TempFolder {
 protected:
  void Save(const std::vector<bool>& unread) {
    TScrapList log(ui_);
    ASSERT_TRUE(log.OpenFolder(dir_ + "site/"));
    log.Clear();
    for (std::size_t i = 0; i < unread.size(); ++i) {
      TDataInfo a = Article(static_cast<int>(i) + 1, 0, 1000u + static_cast<std::uint32_t>(i));
      a.Unread = unread[i];
      log.AddItem(a, false);
    }
    ASSERT_TRUE(log.SaveLog());
  }
};

TEST_F(UnreadCounts, ALogIsReadOncePerVersionOfItsFile) {
  TUnreadCounts counts;
  EXPECT_EQ(counts.Of(dir_ + "none/"), 0);
  Save({true, false, true});
  EXPECT_EQ(counts.Of(dir_ + "site/"), 2);
  const std::size_t read = counts.FilesRead();
  EXPECT_EQ(counts.Of(dir_ + "site/"), 2);
  EXPECT_EQ(counts.FilesRead(), read);
  // Another program saves it: the count follows.
  Save({true, true, true, true});
  EXPECT_EQ(counts.Of(dir_ + "site/"), 4);
  EXPECT_EQ(counts.FilesRead(), read + 1);
  // And its log is removed.
  ASSERT_TRUE(fs::DeleteFile(dir_ + "site/kvllog.dat"));
  EXPECT_EQ(counts.Of(dir_ + "site/"), 0);
}

}  // namespace
}  // namespace bq
