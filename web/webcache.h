#pragma once
// The page cache: one file per page, "~" + 16 hex digits + ".tmp", found
// through the index "cache.idx", a sequence of records (key, 8 bytes
// little-endian; address length, 2 bytes little-endian; the address bytes)
// that is only ever appended to.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace bq {

// The hash of the reduced address with the low four bits clear (0 for an
// empty text).
std::uint64_t UrlHash(std::string_view text);
// The key of an address: scheme and "www." dropped, only printable ASCII
// and the trail bytes of double-byte characters kept, hashed, shifted left 4.
std::uint64_t CacheKey(std::string_view address);

class TCacheIndex {
 public:
  // dir ends in a separator.
  explicit TCacheIndex(std::string dir) : dir_(std::move(dir)) {}

  // The cache file of address. An address new to the index gets the first
  // free of the 16 slots of its key and a record; when all 16 are taken it
  // shares the file of key 0. Addresses longer than 65,535 bytes are not
  // recorded and share that file too.
  std::string CacheFileName(std::string_view address);
  static std::string FileNameOf(const std::string& dir, std::uint64_t key);
  std::size_t Records() const { return byKey_.size(); }

 private:
  // Reads the index again when someone else changed or removed it.
  void Refresh(int fd);
  bool Append(int fd, std::uint64_t key, std::string_view address);

  std::string dir_;
  std::unordered_map<std::uint64_t, std::string> byKey_;  // first record of each key
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  off_t size_ = -1;
};

// The cache command: deletes in dir every plain file at least 8.0 days old,
// or every plain file when all is set (the index too; it is made again on
// the next use). Returns the number deleted.
int CleanCache(const std::string& dir, bool all);

}  // namespace bq
