#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "platform/events.h"
#include "platform/fs.h"

namespace bq {
namespace {

constexpr std::uint32_t kPollMs = 10;
constexpr std::uint32_t kNoticeEveryMs = 1000;

}  // namespace

LockResult FileLock::Acquire(std::string_view path, const LockWait& wait, std::string& reason) {
  Release();
  sys::Fd fd(sys::Open(fs::ToOsPath(path).c_str(), O_RDONLY | O_CREAT, 0644));
  if (!fd) {
    reason = sys::ErrnoText(errno);
    return LockResult::kFailed;
  }
  const std::uint64_t start = TickCount64();
  std::uint64_t nextNotice = start + wait.noticeAfterMs;
  for (;;) {
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) break;
    if (errno != EWOULDBLOCK && errno != EINTR) {
      reason = sys::ErrnoText(errno);
      return LockResult::kFailed;
    }
    const std::uint64_t now = TickCount64();
    if (now - start >= wait.limitMs) return LockResult::kTimedOut;
    if (now >= nextNotice) {
      if (wait.waiting) wait.waiting(static_cast<std::uint32_t>(now - start));
      nextNotice = now + kNoticeEveryMs;
    }
    SleepMs(kPollMs);
  }
  fd_ = std::move(fd);
  return LockResult::kHeld;
}

void FileLock::Release() {
  // Closing the descriptor releases the lock.
  fd_.reset();
}

}  // namespace bq
