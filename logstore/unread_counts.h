#pragma once
// TUnreadCounts: the unread count of site folders' logs on disk, for the
// folder tree. A log is read once per version of its file (device, inode,
// size and time): a tree of many folders costs one read of each log at the
// first showing, and afterwards one stat per folder until another program
// saves it.
#include <cstddef>
#include <string>
#include <unordered_map>

#include "platform/fs.h"

namespace bq {

class TUnreadCounts {
 public:
  // The unread articles in the kvllog.dat of folder (ends in '/'); 0 when
  // it is missing or cannot be read.
  int Of(const std::string& folder);
  // How many log files were read so far (the others came from the cache).
  std::size_t FilesRead() const { return filesRead_; }

 private:
  struct Entry {
    fs::FileStamp stamp;
    int unread = 0;
  };
  std::unordered_map<std::string, Entry> entries_;
  std::size_t filesRead_ = 0;
};

}  // namespace bq
