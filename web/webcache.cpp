#include "web/webcache.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "platform/fs.h"
#include "platform/sys.h"
#include "textlib/cp932.h"
#include "textlib/limits.h"

namespace bq {

// FNV-1a over the bytes, then the splitmix64 finaliser so that addresses
// differing in one digit differ in about half the bits. The low four bits
// are left for the 16 slots of a key.
std::uint64_t UrlHash(std::string_view text) {
  if (text.empty()) return 0;
  std::uint64_t h = 0xCBF29CE484222325ull;
  for (char c : text) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
  h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
  h ^= h >> 31;
  return h & ~std::uint64_t{15};
}

std::uint64_t CacheKey(std::string_view address) {
  size_t start = address.find("://");
  address.remove_prefix(start == std::string_view::npos ? 0 : start + 3);
  if (address.size() >= 4) {
    std::string_view w = address.substr(0, 4);
    if ((w[0] == 'w' || w[0] == 'W') && (w[1] == 'w' || w[1] == 'W') && (w[2] == 'w' || w[2] == 'W') && w[3] == '.')
      address.remove_prefix(4);
  }
  std::string kept;
  kept.reserve(address.size());
  for (size_t i = 0; i < address.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(address[i]);
    if (c >= 0x20 && c <= 0x7E) {
      kept.push_back(static_cast<char>(c));
    } else if (IsLeadByte(c) && i + 1 < address.size()) {
      kept.push_back(address[++i]);
    }
  }
  return UrlHash(kept);
}

int CleanCache(const std::string& dir, bool all) {
  int removed = 0;
  const std::time_t now = std::time(nullptr);
  for (const fs::DirEntry& e : fs::ListDir(dir)) {
    std::string path = fs::IncludeTrailingSeparator(dir) + e.name;
    struct stat st{};
    if (e.isDir || ::lstat(fs::ToOsPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (!e.name.empty() && e.name[0] == '.') continue;  // hidden
    if ((st.st_mode & S_IWUSR) == 0) continue;         // read-only
    if (!all && static_cast<double>(now - st.st_mtime) / 86400.0 < 8.0) continue;
    if (fs::DeleteFile(path)) ++removed;
  }
  return removed;
}

std::string TCacheIndex::FileNameOf(const std::string& dir, std::uint64_t key) {
  char name[32];
  std::snprintf(name, sizeof name, "~%016llX.tmp", static_cast<unsigned long long>(key));
  return dir + name;
}

void TCacheIndex::Refresh(int fd) {
  struct stat st{};
  if (fstat(fd, &st) != 0) return;
  if (st.st_dev == dev_ && st.st_ino == ino_ && st.st_size == size_) return;
  byKey_.clear();
  dev_ = st.st_dev;
  ino_ = st.st_ino;
  std::string data;
  data.resize(static_cast<size_t>(std::min<off_t>(st.st_size, static_cast<off_t>(limits::kMaxCacheIndex))));
  ssize_t got = data.empty() ? 0 : pread(fd, data.data(), data.size(), 0);
  data.resize(got > 0 ? static_cast<size_t>(got) : 0);
  size_t pos = 0;
  while (pos + 10 <= data.size()) {
    std::uint64_t key = 0;
    for (int b = 7; b >= 0; --b) key = (key << 8) | static_cast<unsigned char>(data[pos + static_cast<size_t>(b)]);
    size_t n = static_cast<unsigned char>(data[pos + 8]) | (static_cast<size_t>(static_cast<unsigned char>(data[pos + 9])) << 8);
    if (pos + 10 + n > data.size()) break;
    byKey_.emplace(key, data.substr(pos + 10, n));
    pos += 10 + n;
  }
  // A record cut short by a crash would misalign every later one: cut it off.
  if (pos < data.size() && static_cast<off_t>(data.size()) == st.st_size && ftruncate(fd, static_cast<off_t>(pos)) == 0)
    size_ = static_cast<off_t>(pos);
  else
    size_ = st.st_size;
}

bool TCacheIndex::Append(int fd, std::uint64_t key, std::string_view address) {
  std::string rec(10, '\0');
  for (int b = 0; b < 8; ++b) rec[static_cast<size_t>(b)] = static_cast<char>((key >> (8 * b)) & 0xFF);
  rec[8] = static_cast<char>(address.size() & 0xFF);
  rec[9] = static_cast<char>((address.size() >> 8) & 0xFF);
  rec.append(address);
  if (!sys::WriteAll(fd, rec.data(), rec.size())) return false;
  size_ += static_cast<off_t>(rec.size());
  byKey_.emplace(key, std::string(address));
  return true;
}

std::string TCacheIndex::CacheFileName(std::string_view address) {
  std::uint64_t k = CacheKey(address);
  fs::ForceDirectories(dir_);
  sys::Fd fd(sys::Open(fs::ToOsPath(dir_ + "cache.idx").c_str(), O_RDWR | O_CREAT | O_APPEND, 0644));
  if (!fd) return FileNameOf(dir_, k);
  flock(fd.get(), LOCK_EX);  // other writers wait while we read and append
  Refresh(fd.get());
  for (;;) {
    auto it = byKey_.find(k);
    if (it == byKey_.end()) {
      if (address.size() > 0xFFFF || !Append(fd.get(), k, address)) k = 0;
      break;
    }
    if (it->second == address) break;
    ++k;
    if ((k & 15) == 0) {
      k = 0;
      break;
    }
  }
  flock(fd.get(), LOCK_UN);
  return FileNameOf(dir_, k);
}

}  // namespace bq
