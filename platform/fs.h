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

// Replaces the file's contents so that a crash or a full disk leaves either
// the old or the new file whole: write a temporary file in the same folder,
// flush it to disk, rename it over the old one. Throws FileError naming the
// path and the OS reason on failure; the old file then stays as it was.
// Callers that owe the user a message of their own catch it and rethrow.
void WriteFileAtomic(std::string_view path, std::string_view data);

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
