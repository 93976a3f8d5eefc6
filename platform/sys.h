#pragma once
// The thin wrapper every system call on files and sockets goes through.
// Each call retries on EINTR; the hooks let tests inject short reads and
// writes, resets, a full disk or a crash that loses unsynced data.
#include <sys/types.h>

#include <cstddef>
#include <string>

namespace bq::sys {

struct Hooks {
  ssize_t (*read)(int fd, void* buf, size_t n);
  ssize_t (*write)(int fd, const void* buf, size_t n);
  int (*fsync)(int fd);
  int (*rename)(const char* from, const char* to);
  int (*open)(const char* path, int flags, int mode);
};

// The hooks in force; tests replace entries and restore them afterwards.
Hooks& CurrentHooks();
const Hooks& RealHooks();

ssize_t Read(int fd, void* buf, size_t n);
ssize_t Write(int fd, const void* buf, size_t n);
// Writes all n bytes (looping over short writes); false with errno set on failure.
bool WriteAll(int fd, const void* buf, size_t n);
int Fsync(int fd);
int Rename(const char* from, const char* to);
int Open(const char* path, int flags, int mode = 0);
int Close(int fd);

// An owned file descriptor.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd(Fd&& o) noexcept : fd_(o.release()) {}
  Fd& operator=(Fd&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  ~Fd() { reset(); }
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int release() {
    int f = fd_;
    fd_ = -1;
    return f;
  }
  void reset(int fd = -1) {
    if (fd_ >= 0) Close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// strerror text of errno, for messages.
std::string ErrnoText(int err);

}  // namespace bq::sys
