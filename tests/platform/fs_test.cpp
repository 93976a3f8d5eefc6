#include "platform/fs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/compare.h"
#include "platform/sys.h"

namespace bq {
namespace {

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bqfs.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = std::string(tmpl) + "/";
  }
  void TearDown() override {
    sys::CurrentHooks() = sys::RealHooks();
    std::string cmd = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  std::string dir_;
};

TEST_F(TempDir, BackslashSeparatorsButNotTrailBytes) {
  // 0x95 0x5C (表) ends in a 0x5C trail byte that is no separator.
  EXPECT_EQ(fs::NormalizeSeparators("a\\\x95\x5c\\b"), "a/\x95\x5c/b");
  EXPECT_EQ(fs::ExtractFilePath("a/\x95\x5c"), "a/");
  EXPECT_EQ(fs::ExtractFileName("a\\\x95\x5c"), "\x95\x5c");
  EXPECT_EQ(fs::IncludeTrailingSeparator("\x95\x5c"), "\x95\x5c/");
  EXPECT_EQ(fs::IncludeTrailingSeparator("a\\"), "a\\");
}

TEST_F(TempDir, ShiftJisNamesReachTheOsAsUtf8) {
  std::string name = dir_ + "\x93\xfa\x96\x7b.txt";  // 日本.txt
  fs::WriteFileAtomic(name, "x");
  EXPECT_EQ(::access((dir_ + "\xe6\x97\xa5\xe6\x9c\xac.txt").c_str(), F_OK), 0);  // UTF-8 on disk
  EXPECT_TRUE(fs::FileExists(name));
  auto entries = fs::ListDir(dir_);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "\x93\xfa\x96\x7b.txt");
}

TEST_F(TempDir, AtomicWriteLeavesOldFileWhenDiskIsFull) {
  std::string path = dir_ + "f.dat";
  fs::WriteFileAtomic(path, "old contents");
  sys::CurrentHooks().write = [](int, const void*, size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  };
  EXPECT_THROW(fs::WriteFileAtomic(path, "new contents"), fs::FileError);
  sys::CurrentHooks() = sys::RealHooks();
  std::string back;
  ASSERT_TRUE(fs::ReadFile(path, back));
  EXPECT_EQ(back, "old contents");
  EXPECT_EQ(fs::ListDir(dir_).size(), 1u);  // the temporary file is gone
}

TEST_F(TempDir, ShortWritesAndInterruptsStillWriteEverything) {
  static int calls;
  calls = 0;
  sys::CurrentHooks().write = [](int fd, const void* buf, size_t n) -> ssize_t {
    if (++calls % 2 == 0) {
      errno = EINTR;
      return -1;
    }
    return ::write(fd, buf, n > 3 ? 3 : n);
  };
  fs::WriteFileAtomic(dir_ + "g", "0123456789");
  sys::CurrentHooks() = sys::RealHooks();
  std::string back;
  ASSERT_TRUE(fs::ReadFile(dir_ + "g", back));
  EXPECT_EQ(back, "0123456789");
}

TEST_F(TempDir, ForceDirectoriesAndRemoval) {
  std::string deep = dir_ + "a/b/c/";
  EXPECT_TRUE(fs::ForceDirectories(deep));
  EXPECT_TRUE(fs::DirectoryExists(deep));
  EXPECT_TRUE(fs::ForceDirectories(deep));  // already there
  EXPECT_TRUE(fs::RemoveDir(deep));
  EXPECT_FALSE(fs::DirectoryExists(deep));
  EXPECT_EQ(fs::FileAge(dir_ + "missing"), -1);
  std::string out = "stale";
  EXPECT_FALSE(fs::ReadFile(dir_ + "missing", out));
  EXPECT_TRUE(out.empty());
}

TEST(Compare, FoldsCaseFirstThenLowerBeforeUpper) {
  EXPECT_LT(CompareText("apple", "Banana"), 0);
  EXPECT_LT(CompareText("abc", "ABC"), 0);
  EXPECT_GT(CompareText("ABC", "abc"), 0);
  EXPECT_EQ(CompareText("abc", "abc"), 0);
  EXPECT_EQ(CompareTextIgnoreCase("abc", "ABC"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  // A trail byte in the letter range is not folded: 0x83 0x61 vs 0x83 0x41.
  EXPECT_GT(CompareTextIgnoreCase("\x83\x61", "\x83\x41"), 0);
  EXPECT_EQ(UpperCase("ab\x83\x61z"), "AB\x83\x61Z");
  EXPECT_EQ(LowerCase("AB\x83\x41Z"), "ab\x83\x41z");
}

}  // namespace
}  // namespace bq
