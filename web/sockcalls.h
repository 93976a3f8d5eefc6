#pragma once
// The socket calls of the transport beyond read and write (which go through
// platform/sys.h): each retries on EINTR, and tests may replace the hooks to
// slow a host lookup down or make a connect fail.
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

namespace bq::sockcalls {

struct Hooks {
  int (*socket)(int domain, int type, int protocol);
  int (*connect)(int fd, const sockaddr* addr, socklen_t len);
  int (*poll)(pollfd* fds, nfds_t n, int timeoutMs);
  int (*getaddrinfo)(const char* node, const char* service, const addrinfo* hints, addrinfo** res);
};

Hooks& CurrentHooks();
const Hooks& RealHooks();

int Socket(int domain, int type, int protocol);
// A non-blocking connect: 0, or -1 with errno (EINPROGRESS expected).
int Connect(int fd, const sockaddr* addr, socklen_t len);
int Poll(pollfd* fds, nfds_t n, int timeoutMs);
int GetAddrInfo(const char* node, const char* service, const addrinfo* hints, addrinfo** res);

}  // namespace bq::sockcalls
