#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>

#include "platform/pages.h"
#include "platform/sys.h"
#include "textlib/cp932.h"

namespace bq::fs {

std::string NormalizeSeparators(std::string_view path) {
  std::string out(path);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(c)) {
      ++i;
    } else if (c == '\\') {
      out[i] = '/';
    }
  }
  return out;
}

std::string ToOsPath(std::string_view path) { return SjisToUtf8(NormalizeSeparators(path)); }

std::string FromOsPath(std::string_view osPath) { return Utf8ToSjis(osPath); }

// Index of the last separator, Shift_JIS-aware; npos if none.
static size_t LastSeparator(std::string_view path) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(c)) {
      ++i;
    } else if (c == '/' || c == '\\') {
      last = i;
    }
  }
  return last;
}

std::string IncludeTrailingSeparator(std::string_view path) {
  std::string out(path);
  if (out.empty() || LastSeparator(out) != out.size() - 1) out.push_back('/');
  return out;
}

std::string ExtractFilePath(std::string_view path) {
  size_t sep = LastSeparator(path);
  return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep + 1));
}

std::string ExtractFileName(std::string_view path) {
  size_t sep = LastSeparator(path);
  return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

bool FileExists(std::string_view path) {
  struct stat st;
  return ::stat(ToOsPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
  struct stat st;
  return ::stat(ToOsPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ReadFile(std::string_view path, std::string& out, std::size_t maxSize) {
  out.clear();
  sys::Fd fd(sys::Open(ToOsPath(path).c_str(), O_RDONLY));
  if (!fd) return false;
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (static_cast<std::size_t>(st.st_size) > maxSize) return false;
  out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    ssize_t n = sys::Read(fd.get(), buf, sizeof buf);
    if (n < 0) return false;
    if (n == 0) break;
    if (out.size() + static_cast<std::size_t>(n) > maxSize) return false;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return true;
}

FileStamp StampOf(std::string_view path) {
  struct stat st;
  if (::stat(ToOsPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return {true, static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
          static_cast<std::uint64_t>(st.st_size),
          static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

ByteBlock::ByteBlock(std::size_t size) : size_(size), mapped_(size) {
  data_ = static_cast<char*>(AllocatePages(size));
}

ByteBlock::~ByteBlock() { FreePages(data_, mapped_); }

ByteBlock::ByteBlock(ByteBlock&& o) noexcept : data_(o.data_), size_(o.size_), mapped_(o.mapped_) {
  o.data_ = nullptr;
  o.size_ = o.mapped_ = 0;
}

ByteBlock& ByteBlock::operator=(ByteBlock&& o) noexcept {
  if (this != &o) {
    FreePages(data_, mapped_);
    data_ = o.data_;
    size_ = o.size_;
    mapped_ = o.mapped_;
    o.data_ = nullptr;
    o.size_ = o.mapped_ = 0;
  }
  return *this;
}

void ByteBlock::Shrink(std::size_t size) {
  if (size >= size_) return;
  size_ = size;
  mapped_ = TrimPages(data_, mapped_, size);
  if (mapped_ == 0) data_ = nullptr;
}

ReadResult ReadFile(std::string_view path, ByteBlock& out, FileStamp& stamp, std::size_t maxSize) {
  out = ByteBlock();
  stamp = {};
  sys::Fd fd(sys::Open(ToOsPath(path).c_str(), O_RDONLY));
  if (!fd) return errno == ENOENT || errno == ENOTDIR ? ReadResult::kMissing : ReadResult::kFailed;
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return ReadResult::kFailed;
  if (!S_ISREG(st.st_mode)) {
    errno = EISDIR;
    return ReadResult::kFailed;
  }
  const auto size = static_cast<std::size_t>(st.st_size);
  if (size > maxSize) return ReadResult::kTooLarge;
  stamp = {true, static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino), size,
           static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
  ByteBlock block(size);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = sys::Read(fd.get(), block.data() + got, std::min<std::size_t>(size - got, 64u << 20));
    if (n < 0) return ReadResult::kFailed;
    if (n == 0) break;  // shortened meanwhile: what is there is the file
    got += static_cast<std::size_t>(n);
  }
  block.Shrink(got);
  out = std::move(block);
  return ReadResult::kRead;
}

ReadResult ReadFileText(std::string_view path, std::string& out, std::size_t maxSize) {
  out.clear();
  if (ReadFile(path, out, maxSize)) return ReadResult::kRead;
  const int err = errno;
  struct stat st;
  const std::string os = ToOsPath(path);
  if (::stat(os.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR ? ReadResult::kMissing : ReadResult::kFailed;
  if (S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) > maxSize) return ReadResult::kTooLarge;
  errno = err;
  return ReadResult::kFailed;
}

static void SyncFolderOf(const std::string& osPath) {
  size_t sep = osPath.rfind('/');
  std::string dir = sep == std::string::npos ? "." : (sep == 0 ? "/" : osPath.substr(0, sep));
  sys::Fd d(sys::Open(dir.c_str(), O_RDONLY | O_DIRECTORY));
  if (d) sys::Fsync(d.get());
}

void WriteFileAtomic(std::string_view path, std::string_view data, unsigned newFileMode) {
  const std::string target = ToOsPath(path);
  const std::string temp = target + ".tmp~";
  auto fail = [&](int err) {
    ::unlink(temp.c_str());
    throw FileError(FromOsPath(target) + ": " + FromOsPath(sys::ErrnoText(err)));
  };
  struct stat old;
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  // A leftover of a killed write may hold other permission bits: start anew.
  ::unlink(temp.c_str());
  sys::Fd fd(sys::Open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_EXCL, static_cast<int>(newFileMode)));
  if (!fd) fail(errno);
  if (replacing && ::fchmod(fd.get(), old.st_mode & 07777) != 0) fail(errno);
  if (!sys::WriteAll(fd.get(), data.data(), data.size())) fail(errno);
  if (sys::Fsync(fd.get()) != 0) fail(errno);
  if (sys::Close(fd.release()) != 0) fail(errno);
  if (sys::Rename(temp.c_str(), target.c_str()) != 0) fail(errno);
  SyncFolderOf(target);
}

AsideCopy KeepAside(std::string_view path, std::string_view stem, std::string_view ext, std::string_view data) {
  constexpr int kMaxCopies = 1000;
  const std::string folder = ExtractFilePath(path);
  std::string existing;
  for (int n = 1; n <= kMaxCopies; ++n) {
    std::string aside = folder;
    aside += stem;
    if (n > 1) {
      aside += '-';
      aside += std::to_string(n);
    }
    aside += ext;
    if (FileExists(aside)) {
      if (ReadFile(aside, existing) && existing == data) return {aside, true};
      continue;
    }
    try {
      WriteFileAtomic(aside, data, 0600);
    } catch (const FileError&) {
      return {};
    }
    return {aside, false};
  }
  return {};
}

bool AppendFile(std::string_view path, std::string_view data) {
  sys::Fd fd(sys::Open(ToOsPath(path).c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644));
  return fd && sys::WriteAll(fd.get(), data.data(), data.size());
}

bool CreateDir(std::string_view path) { return ::mkdir(ToOsPath(path).c_str(), 0755) == 0; }

bool ForceDirectories(std::string_view path) {
  std::string os = ToOsPath(path);
  while (os.size() > 1 && os.back() == '/') os.pop_back();
  if (os.empty()) return false;
  for (size_t i = 1; i <= os.size(); ++i) {
    if (i == os.size() || os[i] == '/') {
      std::string part = os.substr(0, i);
      struct stat st;
      if (::stat(part.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) return false;
      } else if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
        return false;
      }
    }
  }
  return true;
}

bool IsSymbolicLink(std::string_view path) {
  std::string os = ToOsPath(path);
  while (os.size() > 1 && os.back() == '/') os.pop_back();
  struct stat st;
  return ::lstat(os.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool RemoveDir(std::string_view path) { return ::rmdir(ToOsPath(path).c_str()) == 0; }

bool DeleteFile(std::string_view path) { return ::unlink(ToOsPath(path).c_str()) == 0; }

bool RenameFile(std::string_view from, std::string_view to) {
  return sys::Rename(ToOsPath(from).c_str(), ToOsPath(to).c_str()) == 0;
}

bool CopyFile(std::string_view from, std::string_view to) {
  std::string data;
  if (!ReadFile(from, data)) return false;
  try {
    WriteFileAtomic(to, data);
  } catch (const FileError&) {
    return false;
  }
  return true;
}

std::vector<DirEntry> ListDir(std::string_view path) {
  std::vector<DirEntry> out;
  std::string os = ToOsPath(path);
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(os.c_str()), ::closedir);
  if (!dir) return out;
  if (!os.empty() && os.back() != '/') os.push_back('/');
  while (dirent* e = ::readdir(dir.get())) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    bool isDir = ::stat((os + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    out.push_back({FromOsPath(name), isDir});
  }
  return out;
}

std::int64_t FileAge(std::string_view path) {
  struct stat st;
  if (::stat(ToOsPath(path).c_str(), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_mtime);
}

}  // namespace bq::fs
