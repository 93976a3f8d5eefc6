#include "web/sockcalls.h"

#include <cerrno>

namespace bq::sockcalls {
namespace {

const Hooks kReal = {::socket, ::connect, ::poll, ::getaddrinfo};
Hooks g_hooks = kReal;

}  // namespace

Hooks& CurrentHooks() { return g_hooks; }
const Hooks& RealHooks() { return kReal; }

int Socket(int domain, int type, int protocol) {
  for (;;) {
    int r = g_hooks.socket(domain, type, protocol);
    if (r >= 0 || errno != EINTR) return r;
  }
}

int Connect(int fd, const sockaddr* addr, socklen_t len) {
  // An interrupted connect goes on in the background; poll reports it.
  int r = g_hooks.connect(fd, addr, len);
  if (r < 0 && errno == EINTR) errno = EINPROGRESS;
  return r;
}

int Poll(pollfd* fds, nfds_t n, int timeoutMs) {
  for (;;) {
    int r = g_hooks.poll(fds, n, timeoutMs);
    if (r >= 0 || errno != EINTR) return r;
  }
}

int GetAddrInfo(const char* node, const char* service, const addrinfo* hints, addrinfo** res) {
  for (;;) {
    int r = g_hooks.getaddrinfo(node, service, hints, res);
    if (r != EAI_SYSTEM || errno != EINTR) return r;
  }
}

}  // namespace bq::sockcalls
