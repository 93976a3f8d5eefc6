// A save killed at any moment leaves a log that loads whole: either the old
// file or the new one, never a mixture or a cut file.
//
// A child process saves a 100,000-article log (25,000 under ASan) over an
// older version and is killed with SIGKILL after a random delay of up to twice
// the time a save takes; 200 times. Texts are kept short to keep the run bounded.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "logstore/scrap_list.h"
#include "logstore_fixture.h"

namespace bq {
namespace {

using testing::Article;

// Sanitizer builds save about ten times slower; a quarter of the articles
// keeps the 200 kills near half a minute there.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kArticles = 25000;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kArticles = 25000;
#else
constexpr int kArticles = 100000;
#endif
#else
constexpr int kArticles = 100000;
#endif
constexpr int kKills = 200;

void Fill(TScrapList& list, int count, const std::string& tag) {
  for (int i = 1; i <= count; ++i) {
    TDataInfo a = Article(i, i % 7 == 0 ? i - 1 : 0, 1000000u + static_cast<std::uint32_t>(i),
                          tag + "\x93\xfa\x96\x7b" + std::to_string(i), tag + " body\r\nline " +
                          std::to_string(i));
    a.Unread = i % 3 == 0;
    list.AddItem(a, false);
  }
}

class CrashSafety : public testing::TempFolder {};

TEST_F(CrashSafety, KilledSaveLeavesTheOldOrTheNewLogWhole) {
  const std::string folder = dir_ + "site/";
  const std::string path = folder + "kvllog.dat";

  // The two versions, each saved once without interruption.
  std::string oldBytes, newBytes;
  {
    TScrapList old(ui_);
    ASSERT_TRUE(old.OpenFolder(dir_ + "oldref"));
    Fill(old, kArticles - 10, "old");
    old.SaveLog();
    oldBytes = Read(dir_ + "oldref/kvllog.dat");
  }
  TScrapList fresh(ui_);
  ASSERT_TRUE(fresh.OpenFolder(folder));
  Fill(fresh, kArticles, "new");
  {
    TScrapList ref(ui_);
    ASSERT_TRUE(ref.OpenFolder(dir_ + "newref"));
    Fill(ref, kArticles, "new");
    ref.SaveLog();
    newBytes = Read(dir_ + "newref/kvllog.dat");
  }
  ASSERT_NE(oldBytes, newBytes);
  ASSERT_TRUE(fresh.Modified());

  auto saveInChild = [&]() -> pid_t {
    pid_t pid = ::fork();
    if (pid == 0) {
      fresh.SaveLog();
      ::_exit(fresh.Modified() ? 1 : 0);
    }
    return pid;
  };

  // How long one save takes here.
  fs::WriteFileAtomic(path, oldBytes);
  const auto t0 = std::chrono::steady_clock::now();
  pid_t pid = saveInChild();
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  const auto saveUs =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count();
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(Read(path) == newBytes);

  std::mt19937 rng(20261208);
  // Up to twice a save's time: many kills land inside the save, and a slower
  // save under load still leaves some that come after it.
  std::uniform_int_distribution<long long> delay(0, 2 * saveUs);
  int sawOld = 0, sawNew = 0;
  for (int i = 0; i < kKills; ++i) {
    fs::WriteFileAtomic(path, oldBytes);
    pid = saveInChild();
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(rng)));
    ::kill(pid, SIGKILL);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const std::string now = Read(path);
    const bool isOld = now == oldBytes, isNew = now == newBytes;
    ASSERT_TRUE(isOld || isNew) << "kill " << i << ": " << now.size() << " bytes";
    sawOld += isOld;
    sawNew += isNew;
    if (i % 40 == 0) {
      TScrapList check(ui_);
      ASSERT_TRUE(check.OpenFolder(folder));
      EXPECT_EQ(check.Count(), isNew ? kArticles : kArticles - 10);
      EXPECT_TRUE(ui_.calls.empty());
    }
  }
  // Both outcomes occur, so the kills really landed inside the save.
  EXPECT_GT(sawOld, 0);
  EXPECT_GT(sawNew, 0);
  RecordProperty("save_us", std::to_string(saveUs));
  RecordProperty("old", std::to_string(sawOld));
  RecordProperty("new", std::to_string(sawNew));
  std::printf("save %lld us, old %d, new %d\n", static_cast<long long>(saveUs), sawOld, sawNew);
}

}  // namespace
}  // namespace bq
