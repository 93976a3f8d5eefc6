// A save killed at any moment leaves a log that loads whole: either the old
// file or the new one, never a mixture or a cut file.
//
// A child process saves a 20,000-article log (10,000 under ASan) over an
// older version and is killed with SIGKILL after a random delay of up to twice
// the time a save takes; 200 times. Texts are kept short to keep the run bounded.
// Then the same with a second process waiting for the folder's lock meanwhile:
// it gets the lock when the first ends or is killed, and saves its own
// articles over whatever the first left, so nothing of it is lost either.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/file.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "logstore/scrap_list.h"
#include "logstore_fixture.h"

namespace bq {
namespace {

using testing::Article;

// A save of this size still takes long enough for the kills to land at every
// stage of it. Sanitizer builds save and fork slower: half the articles and
// half the kills there (the Release pass makes the full 200).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif
constexpr int kArticles = kSanitized ? 10000 : 20000;
constexpr int kKills = kSanitized ? 100 : 200;

void Fill(TScrapList& list, int from, int to, const std::string& tag, bool overwrite = false) {
  for (int i = from; i <= to; ++i) {
    TDataInfo a = Article(i, i % 7 == 0 ? i - 1 : 0, 1000000u + static_cast<std::uint32_t>(i),
                          tag + "\x93\xfa\x96\x7b" + std::to_string(i), tag + " body\r\nline " +
                          std::to_string(i));
    a.Unread = i % 3 == 0;
    list.AddItem(a, overwrite);
  }
}

class CrashSafety : public testing::TempFolder {
 protected:
  void SetUp() override {
    TempFolder::SetUp();
    // The two versions, each saved once without interruption.
    oldBytes_ = Saved("oldref", [](TScrapList& l) { Fill(l, 1, kArticles - 10, "old"); });
    newBytes_ = Saved("newref", [](TScrapList& l) { Fill(l, 1, kArticles, "new"); });
    ASSERT_NE(oldBytes_, newBytes_);
  }
  template <typename Change>
  std::string Saved(const std::string& name, Change change) {
    TScrapList list(ui_);
    EXPECT_TRUE(list.OpenFolder(dir_ + name));
    change(list);
    list.SaveLog();
    return Read(dir_ + name + "/kvllog.dat");
  }
  // A list read from the old file and changed into the new one: every old
  // article overwritten, ten stored. Saved over the old file (a version it
  // did not read itself, so the save merges) it writes the new bytes.
  void Prepare(TScrapList& list) {
    Write(path_, oldBytes_);
    ASSERT_TRUE(list.OpenFolder(folder_));
    Fill(list, 1, kArticles, "new", true);
    ASSERT_TRUE(list.Modified());
  }
  pid_t SaveInChild(TScrapList& list) {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(list.SaveLog() ? 0 : 1);
    return pid;
  }
  bool LockHeldElsewhere() {
    sys::Fd fd(::open(fs::ToOsPath(folder_ + "kvllog.lck").c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return false;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) return false;  // released when fd closes
    return true;
  }

  std::string folder_ = "", path_ = "";
  std::string oldBytes_, newBytes_;
};

TEST_F(CrashSafety, KilledSaveLeavesTheOldOrTheNewLogWhole) {
  folder_ = dir_ + "site/";
  path_ = folder_ + "kvllog.dat";
  const std::string& path = path_;
  const std::string& oldBytes = oldBytes_;
  const std::string& newBytes = newBytes_;
  TScrapList fresh(ui_);
  Prepare(fresh);
  auto saveInChild = [&]() -> pid_t { return SaveInChild(fresh); };

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
      ASSERT_TRUE(check.OpenFolder(folder_));
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

TEST_F(CrashSafety, ProcessWaitingForTheLockSavesWhateverTheKilledOneLeft) {
  folder_ = dir_ + "site/";
  path_ = folder_ + "kvllog.dat";
  // What the waiting process adds: five articles of its own, as the lines
  // its save puts after those of the file it finds.
  const std::string waiterLines = Saved("waiterref", [](TScrapList& l) {
    Fill(l, kArticles + 1, kArticles + 5, "waiter");
  });
  constexpr int kRounds = 30;
  std::mt19937 rng(20260117);
  int sawOld = 0, sawNew = 0;
  for (int round = 0; round < kRounds; ++round) {
    TScrapList first(ui_);
    Prepare(first);
    TScrapList waiter(ui_);
    ASSERT_TRUE(waiter.OpenFolder(folder_));
    Fill(waiter, kArticles + 1, kArticles + 5, "waiter");
    const pid_t a = SaveInChild(first);
    ASSERT_GT(a, 0);
    // The second starts its save only once the first holds the lock.
    for (int i = 0; i < 5000 && !LockHeldElsewhere(); ++i) std::this_thread::sleep_for(std::chrono::microseconds(200));
    const pid_t b = SaveInChild(waiter);
    ASSERT_GT(b, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % 400000));
    ::kill(a, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(a, &status, 0), a);
    ASSERT_EQ(::waitpid(b, &status, 0), b);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
    const std::string now = Read(path_);
    const bool isOld = now == oldBytes_ + waiterLines, isNew = now == newBytes_ + waiterLines;
    ASSERT_TRUE(isOld || isNew) << "round " << round << ": " << now.size() << " bytes";
    sawOld += isOld;
    sawNew += isNew;
    // A killed save's temporary file went with the next save.
    EXPECT_FALSE(fs::FileExists(path_ + ".tmp~"));
  }
  EXPECT_TRUE(ui_.calls.empty());
  RecordProperty("old", std::to_string(sawOld));
  RecordProperty("new", std::to_string(sawNew));
  std::printf("with a waiting process: old %d, new %d\n", sawOld, sawNew);
}

}  // namespace
}  // namespace bq
