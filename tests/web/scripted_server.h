#pragma once
// A loopback server on a thread of the test, for what real servers won't do.
// Each accepted connection runs the script for its number (0-based); every
// request read is kept so tests can compare the exact bytes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bq::test {

class ScriptedServer;

// One accepted connection as a script sees it.
class Conn {
 public:
  Conn(int fd, ScriptedServer& server) : fd_(fd), server_(server) {}
  // Reads a request: header up to the empty line, then Content-Length bytes;
  // gives up after timeoutMs. The bytes are also recorded by the server.
  std::string ReadRequest(int timeoutMs = 5000);
  // Sends all bytes; false when the peer has gone.
  bool Send(const std::string& bytes);
  // Waits up to ms, returning early when the server stops or the peer closes.
  void Hold(int ms);
  int fd() const { return fd_; }

 private:
  int fd_;
  ScriptedServer& server_;
};

class ScriptedServer {
 public:
  using Script = std::function<void(Conn&, int index)>;
  explicit ScriptedServer(Script script, int rcvbuf = 0);
  // A server that answers connection i with replies[min(i, last)], then closes.
  static Script Replies(std::vector<std::string> replies);
  ~ScriptedServer();

  int port() const { return port_; }
  std::string url(const std::string& path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::vector<std::string> requests() {
    std::lock_guard<std::mutex> lock(mu_);
    return requests_;
  }
  int connections() const { return connections_; }
  bool stopping() const { return stop_; }
  void Record(const std::string& request) {
    std::lock_guard<std::mutex> lock(mu_);
    requests_.push_back(request);
  }
  std::atomic<std::int64_t> sent{0};

 private:
  void Run();
  Script script_;
  int listen_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::mutex mu_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

inline ScriptedServer::ScriptedServer(Script script, int rcvbuf) : script_(std::move(script)) {
  listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (rcvbuf > 0) setsockopt(listen_, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::listen(listen_, 16);
  socklen_t len = sizeof a;
  getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { Run(); });
}

inline ScriptedServer::~ScriptedServer() {
  stop_ = true;
  thread_.join();
  ::close(listen_);
}

inline void ScriptedServer::Run() {
  while (!stop_) {
    pollfd p{listen_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    int fd = ::accept(listen_, nullptr, nullptr);
    if (fd < 0) continue;
    Conn c(fd, *this);
    int index = connections_++;
    script_(c, index);
    ::close(fd);
  }
}

inline ScriptedServer::Script ScriptedServer::Replies(std::vector<std::string> replies) {
  return [replies](Conn& c, int index) {
    c.ReadRequest();
    c.Send(replies[std::min<size_t>(static_cast<size_t>(index), replies.size() - 1)]);
  };
}

inline std::string Conn::ReadRequest(int timeoutMs) {
  std::string req;
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t need = std::string::npos;
  while (std::chrono::steady_clock::now() < until && !server_.stopping()) {
    if (need == std::string::npos) {
      size_t end = req.find("\r\n\r\n");
      if (end != std::string::npos) {
        need = end + 4;
        size_t cl = req.find("Content-Length: ");
        if (cl != std::string::npos && cl < end) need += std::stoul(req.substr(cl + 16));
      }
    }
    if (need != std::string::npos && req.size() >= need) break;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    char buf[65536];
    ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    if (n <= 0) break;
    req.append(buf, static_cast<size_t>(n));
  }
  server_.Record(req);
  return req;
}

inline bool Conn::Send(const std::string& bytes) {
  size_t off = 0;
  while (off < bytes.size()) {
    ssize_t n = ::send(fd_, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
    if (n <= 0) return false;
    off += static_cast<size_t>(n);
    server_.sent += n;
  }
  return true;
}

inline void Conn::Hold(int ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until && !server_.stopping()) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 10) > 0) {
      char b;
      if (::recv(fd_, &b, 1, MSG_PEEK) <= 0) return;
      ::usleep(10000);
    }
  }
}

}  // namespace bq::test
