#include "platform/sys.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace bq::sys {
namespace {

const Hooks kReal = {
    [](int fd, void* buf, size_t n) { return ::read(fd, buf, n); },
    [](int fd, const void* buf, size_t n) { return ::write(fd, buf, n); },
    [](int fd) { return ::fsync(fd); },
    [](const char* from, const char* to) { return std::rename(from, to); },
    [](const char* path, int flags, int mode) { return ::open(path, flags, mode); },
};

Hooks g_hooks = kReal;

}  // namespace

Hooks& CurrentHooks() { return g_hooks; }
const Hooks& RealHooks() { return kReal; }

ssize_t Read(int fd, void* buf, size_t n) {
  for (;;) {
    ssize_t r = g_hooks.read(fd, buf, n);
    if (r >= 0 || errno != EINTR) return r;
  }
}

ssize_t Write(int fd, const void* buf, size_t n) {
  for (;;) {
    ssize_t r = g_hooks.write(fd, buf, n);
    if (r >= 0 || errno != EINTR) return r;
  }
}

bool WriteAll(int fd, const void* buf, size_t n) {
  const char* p = static_cast<const char*>(buf);
  while (n > 0) {
    ssize_t r = Write(fd, p, n);
    if (r < 0) return false;
    if (r == 0) {
      errno = ENOSPC;
      return false;
    }
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

int Fsync(int fd) {
  for (;;) {
    int r = g_hooks.fsync(fd);
    if (r == 0 || errno != EINTR) return r;
  }
}

int Rename(const char* from, const char* to) { return g_hooks.rename(from, to); }

int Open(const char* path, int flags, int mode) {
  for (;;) {
    int r = g_hooks.open(path, flags | O_CLOEXEC, mode);
    if (r >= 0 || errno != EINTR) return r;
  }
}

int Close(int fd) { return ::close(fd); }

std::string ErrnoText(int err) { return std::strerror(err); }

}  // namespace bq::sys
