#include "web/webcache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <unordered_set>

#include "platform/fs.h"
#include "testutil.h"

namespace bq {
namespace {

using test::TempDirTest;

TEST(CacheKey, ReductionDropsSchemeWwwAndOddBytes) {
  EXPECT_EQ(UrlHash(""), 0u);
  EXPECT_EQ(CacheKey("http://www.Example.jp/a"), UrlHash("Example.jp/a"));
  EXPECT_EQ(CacheKey("WWW.example.jp/a"), UrlHash("example.jp/a"));
  EXPECT_EQ(CacheKey("ftp://a/\x01\x7f\xa0x"), UrlHash("a/x"));
  // A double-byte character keeps only its trail byte.
  EXPECT_EQ(CacheKey("http://\x82\xa0"), UrlHash("\xa0"));
  EXPECT_EQ(CacheKey("http://"), 0u);
  EXPECT_NE(CacheKey("http://a.jp/x"), CacheKey("http://a.jp/X"));
}

// Pages of one board differ only in a number; each must get a key of its
// own, or past 16 pages on a key the rest are never served from the cache.
TEST(CacheKey, NumberedAddressesSpreadOverDistinctKeys) {
  std::unordered_set<std::uint64_t> keys;
  for (int n = 0; n < 100000; ++n) {
    std::uint64_t k = CacheKey("http://bbs.example.jp/test/read.cgi?no=" + std::to_string(n));
    ASSERT_EQ(k & 15, 0u);
    keys.insert(k);
  }
  EXPECT_EQ(keys.size(), 100000u);
  std::unordered_set<std::uint64_t> tops;  // the top byte is used as well
  for (std::uint64_t k : keys) tops.insert(k >> 56);
  EXPECT_EQ(tops.size(), 256u);
}

std::string Hex(std::uint64_t k) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "~%016llX.tmp", static_cast<unsigned long long>(k));
  return buf;
}

TEST_F(TempDirTest, AddressesSharingAKeyGetTheNextSlotsAndRecords) {
  TCacheIndex idx(dir_);
  std::uint64_t k = CacheKey("http://a.jp/x");
  EXPECT_EQ(idx.CacheFileName("http://a.jp/x"), dir_ + Hex(k));
  EXPECT_EQ(idx.CacheFileName("http://www.a.jp/x"), dir_ + Hex(k + 1));
  EXPECT_EQ(idx.CacheFileName("http://a.jp/x"), dir_ + Hex(k));
  std::string data;
  ASSERT_TRUE(fs::ReadFile(dir_ + "cache.idx", data));
  std::string rec1(10, '\0');
  for (int b = 0; b < 8; ++b) rec1[static_cast<size_t>(b)] = static_cast<char>((k >> (8 * b)) & 0xFF);
  rec1[8] = 13;
  EXPECT_EQ(data.substr(0, 23), rec1 + "http://a.jp/x");
  EXPECT_EQ(data.size(), 23u + 27u);
  EXPECT_EQ(static_cast<unsigned char>(data[23]), static_cast<unsigned char>((k + 1) & 0xFF));
  EXPECT_EQ(data.substr(33), "http://www.a.jp/x");
}

TEST_F(TempDirTest, SeventeenthAddressOnAKeySharesKeyZero) {
  TCacheIndex idx(dir_);
  std::uint64_t k = CacheKey("http://a.jp/x");
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(idx.CacheFileName("http://a.jp/x" + std::string(static_cast<size_t>(i), '\x01')), dir_ + Hex(k + static_cast<unsigned>(i)));
  EXPECT_EQ(idx.CacheFileName("http://a.jp/x" + std::string(16, '\x01')), dir_ + Hex(0));
  EXPECT_EQ(idx.CacheFileName("http://a.jp/x" + std::string(17, '\x01')), dir_ + Hex(0));
  EXPECT_EQ(idx.Records(), 16u);
}

TEST_F(TempDirTest, IndexIsSharedWithLaterInstancesAndAChangedFileIsReread) {
  {
    TCacheIndex a(dir_);
    a.CacheFileName("http://a.jp/1");
    a.CacheFileName("http://www.a.jp/1");
  }
  TCacheIndex b(dir_);
  std::uint64_t k = CacheKey("http://a.jp/1");
  EXPECT_EQ(b.CacheFileName("http://www.a.jp/1"), dir_ + Hex(k + 1));
  // The cache command deleted the index: the slots start over.
  fs::DeleteFile(dir_ + "cache.idx");
  EXPECT_EQ(b.CacheFileName("http://www.a.jp/1"), dir_ + Hex(k));
}

TEST_F(TempDirTest, RecordCutShortByACrashIsDropped) {
  {
    TCacheIndex a(dir_);
    a.CacheFileName("http://a.jp/1");
  }
  std::string data;
  ASSERT_TRUE(fs::ReadFile(dir_ + "cache.idx", data));
  fs::AppendFile(dir_ + "cache.idx", std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x40\x00partial", 17));
  TCacheIndex b(dir_);
  b.CacheFileName("http://b.jp/2");
  std::string after;
  ASSERT_TRUE(fs::ReadFile(dir_ + "cache.idx", after));
  EXPECT_EQ(after.size(), data.size() + 10 + 13);
  EXPECT_EQ(after.substr(data.size() + 10), "http://b.jp/2");
}

TEST_F(TempDirTest, OverlongAddressIsNotRecorded) {
  TCacheIndex idx(dir_);
  EXPECT_EQ(idx.CacheFileName("http://a/" + std::string(70000, 'x')), dir_ + Hex(0));
  EXPECT_EQ(idx.Records(), 0u);
}

TEST_F(TempDirTest, CleanCacheDeletesPlainFilesOfEightDaysOrEverything) {
  auto make = [&](const std::string& name, long ageSeconds) {
    std::string p = dir_ + name;
    fs::WriteFileAtomic(p, "x");
    utimbuf t{time(nullptr) - ageSeconds, time(nullptr) - ageSeconds};
    utime(p.c_str(), &t);
  };
  make("~old.tmp", 8 * 86400 + 60);
  make("~young.tmp", 8 * 86400 - 600);
  make(".hidden", 9 * 86400);
  make("readonly.tmp", 9 * 86400);
  chmod((dir_ + "readonly.tmp").c_str(), 0444);
  fs::CreateDir(dir_ + "sub");
  EXPECT_EQ(CleanCache(dir_, false), 1);
  EXPECT_FALSE(fs::FileExists(dir_ + "~old.tmp"));
  EXPECT_TRUE(fs::FileExists(dir_ + "~young.tmp"));
  EXPECT_EQ(CleanCache(dir_, true), 1);
  EXPECT_TRUE(fs::FileExists(dir_ + ".hidden"));
  EXPECT_TRUE(fs::FileExists(dir_ + "readonly.tmp"));
  EXPECT_TRUE(fs::DirectoryExists(dir_ + "sub"));
}

}  // namespace
}  // namespace bq
