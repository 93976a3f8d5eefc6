#pragma once
// The file system on the system's own paths: Shift_JIS byte strings with '/'
// separators (a '\' is accepted too, Shift_JIS-aware: a 0x5C trail byte is
// not a separator). Names are converted to UTF-8 for the OS here and nowhere
// else.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "textlib/error.h"

namespace bq::fs {

// A file operation failed; the message is the system's own text.
class FileError : public Exception {
 public:
  using Exception::Exception;
};

// System path (Shift_JIS, '/' or '\') -> OS path (UTF-8, '/').
std::string ToOsPath(std::string_view path);
// OS path (UTF-8) -> system path (Shift_JIS, '/').
std::string FromOsPath(std::string_view osPath);
// Replaces every '\' separator by '/' (Shift_JIS-aware).
std::string NormalizeSeparators(std::string_view path);
// Appends '/' unless the path already ends in a separator.
std::string IncludeTrailingSeparator(std::string_view path);
// The folder part including its final separator ("a/b/c.txt" -> "a/b/").
std::string ExtractFilePath(std::string_view path);
// The name after the last separator.
std::string ExtractFileName(std::string_view path);

bool FileExists(std::string_view path);
// True for a symbolic link itself (not followed), so a recursive delete can
// remove the link without entering what it points to.
bool IsSymbolicLink(std::string_view path);
bool DirectoryExists(std::string_view path);

// Reads the whole file into out; false if it cannot be opened or read, or is
// larger than maxSize.
bool ReadFile(std::string_view path, std::string& out, std::size_t maxSize = SIZE_MAX);

// Which version of a file is on disk: a rename over it, a rewrite or a
// change of length shows as a different stamp.
struct FileStamp {
  bool exists = false;
  std::uint64_t device = 0, inode = 0, size = 0;
  std::int64_t mtimeNs = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(std::string_view path);

// A large block of bytes of its own pages (not the heap), for a file read
// whole and then worked on in place; its end can be given back.
class ByteBlock {
 public:
  ByteBlock() = default;
  explicit ByteBlock(std::size_t size);
  ~ByteBlock();
  ByteBlock(ByteBlock&& o) noexcept;
  ByteBlock& operator=(ByteBlock&& o) noexcept;
  ByteBlock(const ByteBlock&) = delete;
  ByteBlock& operator=(const ByteBlock&) = delete;
  char* data() const { return data_; }
  std::size_t size() const { return size_; }
  // Keeps the first `size` bytes; the whole pages after them go back to the system.
  void Shrink(std::size_t size);

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0, mapped_ = 0;
};

// How a whole-file read ended.
enum class ReadResult { kRead, kMissing, kTooLarge, kFailed };
// Reads the whole file into a block of its own; stamp describes the version
// read. kFailed leaves errno set.
ReadResult ReadFile(std::string_view path, ByteBlock& out, FileStamp& stamp, std::size_t maxSize);
// The same into a string, telling a missing file from an unreadable one.
ReadResult ReadFileText(std::string_view path, std::string& out, std::size_t maxSize);

// Replaces the file's contents so that a crash or a full disk leaves either
// the old or the new file whole: write a temporary file in the same folder
// (the name with ".tmp~" added, so a leftover of a killed write is replaced
// by the next one), flush it to disk, rename it over the old one. The file
// keeps its permission bits; a new one gets newFileMode (less the umask).
// Throws FileError naming the path and the OS reason on failure; the old
// file then stays as it was. Callers that owe the user a message of their
// own catch it and rethrow.
void WriteFileAtomic(std::string_view path, std::string_view data, unsigned newFileMode = 0644);

// A damaged file kept aside before anything may overwrite it: data is
// written to the folder of path as stem + ext, or stem-2 + ext and so on,
// unless one of those holds exactly these bytes already (then existed is
// set and nothing is written), so a file damaged once is copied once. The
// copy is its owner's alone (it may hold a password). path is empty when no
// copy could be made.
struct AsideCopy {
  std::string path;
  bool existed = false;
};
AsideCopy KeepAside(std::string_view path, std::string_view stem, std::string_view ext, std::string_view data);
// What the user is told about a kept or a protected file (Shift_JIS):
// 元のファイルは次の名前で残しました: (followed by the copy's path)
inline constexpr std::string_view kKeptAsText =
    "\x8c\xb3\x82\xcc\x83t\x83@\x83\x43\x83\x8b\x82\xcd\x8e\x9f\x82\xcc\x96\xbc\x91O\x82\xc5\x8e\x63"
    "\x82\xb5\x82\xdc\x82\xb5\x82\xbd: ";
// 読込めないファイルは書き換えません
inline constexpr std::string_view kLeftAloneText =
    "\x93\xc7\x8d\x9e\x82\xdf\x82\xc8\x82\xa2\x83t\x83@\x83\x43\x83\x8b\x82\xcd\x8f\x91\x82\xab\x8a\xb7"
    "\x82\xa6\x82\xdc\x82\xb9\x82\xf1";

// Appends to a file, creating it.
bool AppendFile(std::string_view path, std::string_view data);

bool CreateDir(std::string_view path);
// Creates the folder and every missing parent.
bool ForceDirectories(std::string_view path);
bool RemoveDir(std::string_view path);
bool DeleteFile(std::string_view path);
bool RenameFile(std::string_view from, std::string_view to);
bool CopyFile(std::string_view from, std::string_view to);

struct DirEntry {
  std::string name;  // Shift_JIS
  bool isDir = false;
};
// Entries of a folder, without "." and "..", in no particular order.
std::vector<DirEntry> ListDir(std::string_view path);

// Modification time (seconds since 1970, UTC) or -1 when the file is missing.
std::int64_t FileAge(std::string_view path);

}  // namespace bq::fs
