#include "logstore/unread_counts.h"

#include "logstore/log_file.h"
#include "textlib/limits.h"

namespace bq {

int TUnreadCounts::Of(const std::string& folder) {
  const std::string path = folder + std::string(kLogFileName);
  const fs::FileStamp now = fs::StampOf(path);
  if (!now.exists) {
    entries_.erase(folder);
    return 0;
  }
  auto found = entries_.find(folder);
  if (found != entries_.end() && found->second.stamp == now) return found->second.unread;
  fs::ByteBlock block;
  fs::FileStamp stamp;
  ++filesRead_;
  if (fs::ReadFile(path, block, stamp, limits::kMaxLogFile) != fs::ReadResult::kRead) return 0;
  Entry& e = entries_[folder];
  e.stamp = stamp;
  e.unread = CountUnread(block.data(), block.size());
  return e.unread;
}

}  // namespace bq
