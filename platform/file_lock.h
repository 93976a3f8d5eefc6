#pragma once
// Advisory locks between the programs that share a data folder (the desktop,
// the CLI, a schedule started from cron). A lock is flock(2) on a lock file
// that is never renamed or removed; the kernel releases it when its holder
// ends in any way, so a killed process never leaves a lock behind.
//
// Locks are held only for a read-modify-write of small files or a merge and
// save of a log, never across the network.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/sys.h"

namespace bq {

struct LockWait {
  // Called about once a second while waiting, from noticeAfterMs on, with
  // the milliseconds waited so far.
  std::function<void(std::uint32_t waitedMs)> waiting;
  std::uint32_t noticeAfterMs = 5000;
  // Waiting ends without the lock after this long.
  std::uint32_t limitMs = 60000;
};

enum class LockResult { kHeld, kTimedOut, kFailed };
// Why a write gave up waiting (Shift_JIS): 他のプログラムがロックしています
inline constexpr std::string_view kLockedByOtherText =
    "\x91\xbc\x82\xcc\x83v\x83\x8d\x83O\x83\x89\x83\x80\x82\xaa\x83\x8d\x83\x62\x83N\x82\xb5\x82\xc4\x82\xa2"
    "\x82\xdc\x82\xb7";

class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock() { Release(); }

  // Takes the exclusive lock on the lock file at path (created when
  // missing), waiting as wait says. kFailed (with the system's reason) when
  // the lock file cannot be opened.
  LockResult Acquire(std::string_view path, const LockWait& wait, std::string& reason);
  void Release();
  bool Held() const { return static_cast<bool>(fd_); }

 private:
  sys::Fd fd_;
};

}  // namespace bq
