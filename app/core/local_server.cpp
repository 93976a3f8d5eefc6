// The loopback HTTP server: accept with a short poll so the destructor can
// stop it, read one request with bounded waits, answer, close. Then the
// start's side of the instance socket.
#include "app/core/local_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "platform/events.h"
#include "platform/sys.h"
#include "textlib/error.h"
#include "textlib/limits.h"

namespace bq::app {

namespace {

constexpr int kPollMs = 20;
constexpr int kReadTimeoutMs = 3000;
constexpr std::size_t kMaxRequest = 1u << 20;

const char* ReasonOf(int status) {
  switch (status) {
    case 200: return "OK";
    case 404: return "Not Found";
    default: return "Status";
  }
}

// The Date header's value, "Tue, 08 Dec 2026 03:50:00 GMT".
std::string HttpDate() {
  std::time_t now = std::time(nullptr);
  std::tm gmt{};
  ::gmtime_r(&now, &gmt);
  char buf[64];
  std::strftime(buf, sizeof buf, "%a, %d %b %Y %H:%M:%S GMT", &gmt);
  return buf;
}

bool WaitReadable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, ms) > 0;
}

}  // namespace

TLocalServer::TLocalServer(Handler handler) : handler_(std::move(handler)) {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) throw Exception("Cannot open a socket for the local server");
  int one = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  socklen_t len = sizeof a;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listenFd_, 64) != 0 ||
      ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    ::close(listenFd_);
    throw Exception("Cannot listen on 127.0.0.1");
  }
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

TLocalServer::~TLocalServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  ::close(listenFd_);
}

std::string TLocalServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TLocalServer::Serve() {
  while (!stop_) {
    if (!WaitReadable(listenFd_, kPollMs)) continue;
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    Answer(fd);
    ::close(fd);
  }
}

void TLocalServer::Answer(int fd) {
  std::string in;
  std::size_t headerEnd = std::string::npos;
  std::size_t want = 0;
  char buf[8192];
  while (in.size() < kMaxRequest && !stop_) {
    if (headerEnd != std::string::npos && in.size() >= headerEnd + 4 + want) break;
    if (!WaitReadable(fd, kReadTimeoutMs)) return;
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    in.append(buf, static_cast<std::size_t>(n));
    if (headerEnd == std::string::npos && (headerEnd = in.find("\r\n\r\n")) != std::string::npos) {
      std::string head = in.substr(0, headerEnd);
      for (auto& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      std::size_t cl = head.find("content-length:");
      if (cl != std::string::npos) want = std::strtoul(head.c_str() + cl + 15, nullptr, 10);
    }
  }
  if (headerEnd == std::string::npos) return;
  LocalRequest req;
  std::istringstream line(in.substr(0, in.find("\r\n")));
  line >> req.method >> req.target;
  const std::size_t firstEnd = in.find("\r\n");
  if (firstEnd < headerEnd) req.headers = in.substr(firstEnd + 2, headerEnd - firstEnd);
  req.body = in.substr(headerEnd + 4);
  ++requests_;
  LocalResponse res = handler_ ? handler_(req) : LocalResponse{404, "text/plain", "not found"};
  std::string out = "HTTP/1.0 " + std::to_string(res.status) + " " + ReasonOf(res.status) +
                    "\r\nDate: " + HttpDate() + "\r\nContent-Type: " + res.contentType + "\r\nContent-Length: " + std::to_string(res.body.size()) +
                    "\r\nConnection: close\r\n";
  for (const std::string& h : res.headers) out += h + "\r\n";
  out += "\r\n";
  if (req.method != "HEAD") out += res.body;
  std::size_t sent = 0;
  while (sent < out.size()) {
    ssize_t n = ::send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

TLocalServer::Handler FolderHandler(std::string folder, std::map<std::string, std::string> charsets) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return [folder, charsets](const LocalRequest& req) {
    std::string path = req.target.substr(0, req.target.find_first_of("?#"));
    if (path.empty() || path[0] != '/' || path.find("..") != std::string::npos) return LocalResponse{404, "text/plain", ""};
    path.erase(0, 1);
    if (path.empty() || path.back() == '/') path += "index.html";
    std::ifstream f(folder + path, std::ios::binary);
    if (!f) return LocalResponse{404, "text/plain", "not found"};
    std::ostringstream s;
    s << f.rdbuf();
    LocalResponse res;
    res.body = s.str();
    bool html = path.size() > 5 && path.compare(path.size() - 5, 5, ".html") == 0;
    res.contentType = html ? "text/html" : "application/octet-stream";
    std::string top = path.substr(0, path.find('/'));
    auto cs = charsets.find(top);
    if (html && cs != charsets.end()) res.contentType += "; charset=" + cs->second;
    return res;
  };
}

namespace {

constexpr std::uint32_t kConnectRetryMs = 20;

// Milliseconds left until deadline (a TickCount64 value), 0 once it passed.
int MsLeft(std::uint64_t deadline) {
  std::uint64_t now = TickCount64();
  return now >= deadline ? 0 : static_cast<int>(deadline - now);
}

// A connected socket to path: NoInstance when nothing listens there,
// NotAnswering when the listener's queue stays full until the deadline.
InstanceReach ConnectInstance(const std::string& path, std::uint64_t deadline, sys::Fd& out) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return InstanceReach::NoInstance;  // nobody can listen there
  std::memcpy(addr.sun_path, path.data(), path.size());
  for (;;) {
    sys::Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) return InstanceReach::NotAnswering;
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
      out = std::move(fd);
      return InstanceReach::Answered;
    }
    int err = errno;
    // No file, or a file with no listener behind it: a killed instance's.
    if (err == ENOENT || err == ECONNREFUSED) return InstanceReach::NoInstance;
    // A full queue: the instance is there but does not accept.
    if ((err != EAGAIN && err != EINTR) || MsLeft(deadline) == 0) return InstanceReach::NotAnswering;
    SleepMs(kConnectRetryMs);
  }
}

bool WaitFor(int fd, short events, std::uint64_t deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    int n = ::poll(&p, 1, MsLeft(deadline));
    if (n > 0) return true;
    if (n == 0 || errno != EINTR) return false;
  }
}

}  // namespace

InstanceReach ContactInstance(const std::string& socketPath, std::string_view word, int timeoutMs) {
  std::uint64_t deadline = TickCount64() + static_cast<std::uint64_t>(timeoutMs > 0 ? timeoutMs : 0);
  sys::Fd fd;
  InstanceReach reach = ConnectInstance(socketPath, deadline, fd);
  if (reach != InstanceReach::Answered) return reach;
  std::string out(word.substr(0, limits::kMaxInstanceWord));
  out += '\n';
  for (std::size_t sent = 0; sent < out.size();) {
    if (!WaitFor(fd.get(), POLLOUT, deadline)) return InstanceReach::NotAnswering;
    ssize_t n = ::send(fd.get(), out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno != EAGAIN && errno != EINTR) return InstanceReach::NotAnswering;
    if (n > 0) sent += static_cast<std::size_t>(n);
  }
  const std::string_view answer = kInstanceAnswer;
  std::string in;
  while (in.size() < answer.size()) {
    if (!WaitFor(fd.get(), POLLIN, deadline)) return InstanceReach::NotAnswering;
    char buf[16];
    ssize_t n = sys::Read(fd.get(), buf, sizeof buf);
    if (n == 0) return InstanceReach::NotAnswering;  // closed without taking the word
    if (n < 0 && errno != EAGAIN) return InstanceReach::NotAnswering;
    if (n > 0) in.append(buf, static_cast<std::size_t>(n));
  }
  return in.compare(0, answer.size(), answer) == 0 ? InstanceReach::Answered : InstanceReach::NotAnswering;
}

std::optional<std::string> InstanceWord(std::string_view received) {
  std::size_t end = received.find('\n');
  if (end == std::string_view::npos) {
    if (received.size() < limits::kMaxInstanceWord) return std::nullopt;
    end = limits::kMaxInstanceWord;
  }
  return std::string(received.substr(0, std::min(end, limits::kMaxInstanceWord)));
}

bool PeerClosed(int fd) {
  pollfd p{fd, POLLRDHUP, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

}  // namespace bq::app
