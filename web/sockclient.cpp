#include "web/sockclient.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/fs.h"
#include "textlib/limits.h"
#include "web/sockcalls.h"
#include "web/tls.h"

namespace bq {
namespace {

constexpr size_t kChunk = 16383;       // bytes moved per read or write notification
constexpr size_t kMaxTextWrite = 16384;
constexpr int kPollMs = 2;

// A host lookup running on its helper thread; the thread and the waiting
// client share it, so a client that gives up may leave it behind safely.
struct LookupJob {
  std::mutex mu;
  bool done = false;
  int error = 0;
  std::vector<sockaddr_storage> addrs;
  std::vector<socklen_t> lens;
};

void RunLookup(const std::shared_ptr<LookupJob>& job, const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  int rc = sockcalls::GetAddrInfo(name.c_str(), nullptr, &hints, &res);
  std::lock_guard<std::mutex> lock(job->mu);
  if (rc != 0) {
    job->error = SockErrorFromLookup(rc);
  } else {
    for (addrinfo* a = res; a; a = a->ai_next) {
      if (a->ai_family != AF_INET && a->ai_family != AF_INET6) continue;
      sockaddr_storage s{};
      std::memcpy(&s, a->ai_addr, a->ai_addrlen);
      job->addrs.push_back(s);
      job->lens.push_back(a->ai_addrlen);
    }
    freeaddrinfo(res);
    if (job->addrs.empty()) job->error = 11004;
  }
  job->done = true;
}

bool ParseLiteral(const std::string& name, sockaddr_storage& s, socklen_t& len) {
  std::memset(&s, 0, sizeof s);
  auto* v4 = reinterpret_cast<sockaddr_in*>(&s);
  if (inet_pton(AF_INET, name.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    len = sizeof(sockaddr_in);
    return true;
  }
  std::string bare = name.size() > 2 && name.front() == '[' && name.back() == ']' ? name.substr(1, name.size() - 2) : name;
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&s);
  if (inet_pton(AF_INET6, bare.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    len = sizeof(sockaddr_in6);
    return true;
  }
  return false;
}

void IgnoreSigpipe() {
  static std::once_flag once;
  // A peer that has gone away must give EPIPE, not end the program.
  std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

}  // namespace

const std::vector<std::string>& TSockClient::Info() {
  static const std::vector<std::string> info = [] {
    rlimit rl{};
    getrlimit(RLIMIT_NOFILE, &rl);
    return std::vector<std::string>{"Version= 1.1",
                                    "High Version= 2.2",
                                    "Description= POSIX sockets",
                                    "System= Running",
                                    "Max Sockets= " + std::to_string(rl.rlim_cur),
                                    "Max Udp pack size= 65507"};
  }();
  return info;
}

TSockClient::TSockClient(EventPump& pump) : pump_(pump) {
  IgnoreSigpipe();
  StatusMessage(8, "Create");
  StatusMessage(8, "Initializing Winsock");
  Info();
}

TSockClient::~TSockClient() {
  destroying_ = true;
  StatusMessage(8, "Destroy");
  tls_.reset();
  fd_.reset();
}

void TSockClient::StatusMessage(int level, const std::string& text) {
  if (ReportLevel < level) return;
  Status = text;
  if (!destroying_ && OnStatus) OnStatus(text);
}

void TSockClient::CheckError(int code, int expected) {
  StatusMessage(16, "Checking Error In Error Manager");
  LastError = code;
  if (code == expected) return;
  std::string text = ErrorText(code);
  if (OnError) OnError(text);
  throw ESockError(text);
}

std::string TSockClient::ErrorText(int code) {
  StatusMessage(16, "Looking Up Error Message");
  return SockErrorText(code);
}

void TSockClient::Cancel() {
  StatusMessage(8, "Canceling");
  cancel_ = true;
}

void TSockClient::TimerOn() {
  StatusMessage(8, "Timer On");
  timedOut_ = false;
  timerOn_ = TimeOut > 0;
  deadline_ = TickCount64() + static_cast<std::uint64_t>(TimeOut > 0 ? TimeOut : 0);
}

void TSockClient::TimerOff() {
  StatusMessage(8, "Timer Off");
  timerOn_ = false;
}

void TSockClient::TimerCheck() {
  if (!timerOn_ || TickCount64() < deadline_) return;
  StatusMessage(8, "Timer Triggered");
  timerOn_ = false;
  timedOut_ = true;
  Cancel();
  Abort();
}

// One pass of a wait: poll the socket briefly, run the handlers for what it
// reports, then let timers and the application's events run.
void TSockClient::Pass() {
  pollfd p{fd_.get(), 0, 0};
  if (fd_) {
    if (connecting_) {
      p.events = POLLOUT;
    } else if (tlsWant_) {
      p.events = static_cast<short>(tlsWant_);
    } else if (connected_) {
      p.events = POLLIN;
      if (spos_ < sbuf_.size() || sendFile_) p.events |= POLLOUT;
    }
  }
  bool tlsBuffered = tls_ && connected_ && tls_->Pending();
  int n = sockcalls::Poll(fd_ ? &p : nullptr, fd_ ? 1 : 0, tlsBuffered ? 0 : kPollMs);
  if (n > 0 && connecting_) {
    int err = 0;
    socklen_t len = sizeof err;
    getsockopt(fd_.get(), SOL_SOCKET, SO_ERROR, &err, &len);
    connecting_ = false;
    if (err == 0) {
      connected_ = true;
    } else {
      noError_ = false;
      LastError = SockErrorFromErrno(err);
    }
  } else if ((n > 0 || tlsBuffered) && connected_ && !tlsWant_) {
    if (tlsBuffered || (p.revents & (POLLIN | POLLHUP | POLLERR))) ReadHandler();
    if (fd_ && connected_ && (p.revents & POLLOUT)) WriteHandler();
  }
  Idle();
  TimerCheck();
  pump_.ProcessMessages();
}

// A full chunk means more may be waiting: read on, as a posted read-more
// would, but give the events a turn after a few chunks.
void TSockClient::ReadHandler() {
  for (int i = 0; i < 8 && ReadChunk(); ++i) {
  }
}

bool TSockClient::ReadChunk() {
  if (cancel_ || !fd_) return false;
  StatusMessage(8, "ReadToStream");
  char buf[kChunk];
  ssize_t n;
  int err = 0;
  if (tls_) {
    TTlsSession::Want want;
    n = tls_->Read(buf, sizeof buf, want);
    if (n == 0 && (want == TTlsSession::kWantRead || want == TTlsSession::kWantWrite)) return false;
    if (n == 0 && want == TTlsSession::kFailed) {
      n = -1;
      err = 10054;
      if (OnError) OnError(tls_->Error());
    }
  } else {
    n = sys::Read(fd_.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
      err = SockErrorFromErrno(errno);
    }
  }
  if (n > 0) {
    if (capturing_) BytesReceived += n;
    if (sink_) {
      sink_(buf, static_cast<size_t>(n));
    } else {
      rbuf_.append(buf, static_cast<size_t>(n));
    }
    if (capturing_ && OnPacketRecvd) OnPacketRecvd();
    return static_cast<size_t>(n) == sizeof buf || (tls_ && tls_->Pending());
  }
  if (n < 0) {
    // A reset ends the connection like a close, with the error noted.
    LastError = err;
    noError_ = false;
    if (OnError && !tls_) OnError(ErrorText(err));
  }
  connected_ = false;
  CloseSocket();
  return false;
}

void TSockClient::WriteHandler() {
  if (cancel_) return;
  StatusMessage(8, "WriteFromStream");
  char fileBuf[kChunk];
  const char* data;
  size_t len;
  if (sendFile_) {
    ssize_t r = pread(sendFile_.get(), fileBuf, sizeof fileBuf, static_cast<off_t>(BytesSent));
    if (r <= 0) {
      sendFile_.reset();
      sendComplete_ = true;
      return;
    }
    data = fileBuf;
    len = static_cast<size_t>(r);
  } else {
    if (spos_ >= sbuf_.size()) return;
    data = sbuf_.data() + spos_;
    len = std::min(kChunk, sbuf_.size() - spos_);
  }
  ssize_t sent;
  if (tls_) {
    TTlsSession::Want want;
    sent = tls_->Write(data, len, want);
    if (sent == 0 && want != TTlsSession::kWantRead && want != TTlsSession::kWantWrite) {
      sendError_ = 10054;
      return;
    }
  } else {
    sent = sys::Write(fd_.get(), data, len);
    if (sent < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) return;
      sendError_ = LastError = SockErrorFromErrno(errno);
      return;
    }
  }
  if (sendFile_) {
    BytesSent += sent;
    if (BytesSent >= BytesTotal) {
      sendFile_.reset();
      sendComplete_ = true;
    }
  } else {
    spos_ += static_cast<size_t>(sent);
    BytesSent += sent;
    if (spos_ >= sbuf_.size()) {
      sbuf_.clear();
      spos_ = 0;
      sendComplete_ = true;
    }
  }
  if (capturing_ && OnPacketSent) OnPacketSent();
}

void TSockClient::ResolveHost() {
  std::string name = Proxy.empty() ? Host : Proxy;
  StatusMessage(8, "Resolve Host");
  addrs_.clear();
  Address lit{};
  if (ParseLiteral(name, lit.addr, lit.len)) {
    addrs_.push_back(lit);
    return;
  }
  TimerOn();
  lookupDone_ = false;
  auto job = std::make_shared<LookupJob>();
  std::thread(RunLookup, job, name).detach();
  auto finished = [&] {
    std::lock_guard<std::mutex> lock(job->mu);
    return job->done;
  };
  WaitFor([&] { return lookupDone_ || finished(); });
  TimerOff();
  if (timedOut_) throw ESockError("Host Lookup Timed Out");
  if (cancel_ || !finished()) throw ESockError("Host Lookup Canceled");
  std::lock_guard<std::mutex> lock(job->mu);
  if (job->error) {
    LastError = job->error;
    throw ESockError("Host Lookup Failed");
  }
  for (size_t i = 0; i < job->addrs.size(); ++i) addrs_.push_back({job->addrs[i], job->lens[i]});
  if (OnHostResolved) OnHostResolved();
}

bool TSockClient::TryConnect(const Address& a, int port) {
  Address target = a;
  if (target.addr.ss_family == AF_INET)
    reinterpret_cast<sockaddr_in*>(&target.addr)->sin_port = htons(static_cast<uint16_t>(port));
  else
    reinterpret_cast<sockaddr_in6*>(&target.addr)->sin6_port = htons(static_cast<uint16_t>(port));
  fd_.reset(sockcalls::Socket(target.addr.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP));
  if (!fd_) {
    LastError = SockErrorFromErrno(errno);
    return false;
  }
  linger lg{1, 0};  // an abortive close: no lingering connection states
  setsockopt(fd_.get(), SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
  int one = 1;
  setsockopt(fd_.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  noError_ = true;
  if (sockcalls::Connect(fd_.get(), reinterpret_cast<const sockaddr*>(&target.addr), target.len) == 0) {
    connected_ = true;
    return true;
  }
  if (errno != EINPROGRESS) {
    LastError = SockErrorFromErrno(errno);
    fd_.reset();
    return false;
  }
  connecting_ = true;
  TimerOn();
  WaitFor([&] { return !connecting_ || timedOut_; });
  TimerOff();
  if (!connected_) {
    connecting_ = false;
    fd_.reset();
  }
  return connected_;
}

void TSockClient::FailConnect(std::string message) {
  connected_ = connecting_ = false;
  tls_.reset();
  tlsWant_ = 0;
  fd_.reset();
  if (OnConnectionFailed) OnConnectionFailed();
  throw ESockError(message);
}

void TSockClient::Connect() {
  StatusMessage(8, "Connecting");
  cancel_ = false;
  timedOut_ = false;
  if (connected_) throw ESockError("Already connected");
  rbuf_.clear();
  rpos_ = scan_ = 0;
  sbuf_.clear();
  spos_ = 0;
  sendError_ = 0;
  BytesSent = 0;
  auto resolve = [this] {
    try {
      ResolveHost();
    } catch (const ESockError& e) {
      std::string m = e.what();
      if (m == "Host Lookup Timed Out" || m == "Host Lookup Canceled") throw;
      addrs_.clear();
    }
  };
  resolve();
  if (addrs_.empty()) {
    bool handled = false;
    if (OnInvalidHost) OnInvalidHost(handled);
    if (handled) resolve();
    if (addrs_.empty()) throw ESockError("Null Remote Address");
  }
  int port = Proxy.empty() ? Port : ProxyPort;
  for (const Address& a : addrs_) {
    if (TryConnect(a, port) || timedOut_ || cancel_) break;
  }
  if (!connected_ || timedOut_ || cancel_) {
    FailConnect(timedOut_ ? "Connection Timed out" : cancel_ ? "Connection Canceled" : "Connection Failed");
  }
  if (UseTls) {
    bool tunnel = false;
    try {
      tunnel = !Proxy.empty() && OpenTunnel();
    } catch (const ESockError& e) {
      FailConnect(e.what());
    }
    StartTls(Proxy.empty() || tunnel ? Host : Proxy);
  }
  if (OnConnect) OnConnect();
}

void TSockClient::StartTls(const std::string& name) {
  try {
    tls_ = std::make_unique<TTlsSession>(fd_.get(), name, CaFile);
  } catch (const ESockError& e) {
    FailConnect(e.what());
  }
  for (;;) {
    TTlsSession::Want w = tls_->Handshake();
    if (w == TTlsSession::kDone) break;
    if (w != TTlsSession::kWantRead && w != TTlsSession::kWantWrite) FailConnect(tls_->Error());
    tlsWant_ = w == TTlsSession::kWantRead ? POLLIN : POLLOUT;
    bool ready = false;
    TimerOn();
    while (!ready && !cancel_) {
      pollfd p{fd_.get(), static_cast<short>(tlsWant_), 0};
      ready = sockcalls::Poll(&p, 1, 0) > 0;
      if (!ready) Pass();
    }
    TimerOff();
    tlsWant_ = 0;
    if (cancel_) FailConnect(timedOut_ ? "Connection Timed out" : "Connection Canceled");
  }
}

bool TSockClient::Delay(std::uint64_t ms) {
  std::uint64_t until = TickCount64() + ms;
  WaitFor([&] { return TickCount64() >= until; });
  if (!cancel_) return true;
  cancel_ = false;
  return false;
}

void TSockClient::Disconnect() {
  StatusMessage(8, "Disconnecting");
  CloseSocket();
}

void TSockClient::CloseSocket() {
  StatusMessage(4, "Request Close Socket");
  connected_ = false;
  connecting_ = false;
  tls_.reset();
  tlsWant_ = 0;
  fd_.reset();
  sendFile_.reset();
  if (!destroying_ && OnDisconnect) OnDisconnect();
}

void TSockClient::SendBuffer(const std::string& bytes) {
  StatusMessage(4, "Sending Buffer");
  if (cancel_) return;
  sbuf_ += bytes;
  sendComplete_ = false;
  sendError_ = 0;
  WaitFor([&] { return sendComplete_ || sendError_ || !connected_; });
  // A cancel that came after the last byte went out is left to the next wait.
  if (cancel_ && !sendComplete_) {
    cancel_ = false;
    throw EAbortError("Socket send aborted");
  }
  if (sendError_) CheckError(sendError_, 0);
  if (!sendComplete_) throw ESockError(ErrorText(10057));
}

void TSockClient::Write(const std::string& text) {
  StatusMessage(8, "Write");
  size_t n = std::min({text.size(), kMaxTextWrite, text.find('\0')});
  SendBuffer(text.substr(0, n));
}

void TSockClient::Writeln(const std::string& text) {
  StatusMessage(8, "Writeln");
  Write(text + "\r\n");
}

void TSockClient::WriteBytes(const std::string& data) { SendBuffer(data); }

void TSockClient::SendFile(const std::string& fileName) {
  StatusMessage(8, "SendFile");
  sys::Fd f(sys::Open(fs::ToOsPath(fileName).c_str(), O_RDONLY));
  if (!f) throw ESockError(ErrorText(SockErrorFromErrno(errno)));
  struct stat st{};
  fstat(f.get(), &st);
  capturing_ = true;
  BytesSent = 0;
  BytesTotal = st.st_size;
  sendComplete_ = BytesTotal == 0;
  sendFile_ = std::move(f);
  WaitFor([&] { return sendComplete_ || sendError_ || BytesTotal == 0 || !connected_; });
  sendFile_.reset();
  capturing_ = false;
  if (cancel_) {
    cancel_ = false;
    throw EAbortError("Socket send aborted");
  }
  if (sendError_) CheckError(sendError_, 0);
}

std::string TSockClient::ReadLn() {
  StatusMessage(8, "ReadLn");
  size_t lf = std::string::npos;
  auto haveLine = [&] {
    lf = rbuf_.find('\n', std::max(scan_, rpos_));
    scan_ = lf == std::string::npos ? rbuf_.size() : lf;
    if (lf == std::string::npos && rbuf_.size() - rpos_ > limits::kMaxHttpLine)
      throw ESockError("Line too long");
    return lf != std::string::npos || !connected_;
  };
  WaitFor(haveLine);
  if (lf == std::string::npos && !cancel_) haveLine();
  if (cancel_) throw EAbortError("Socket readln aborted");
  size_t end = lf == std::string::npos ? rbuf_.size() : lf + 1;
  std::string line = rbuf_.substr(rpos_, end - rpos_);
  rpos_ = end;
  if (rpos_ == rbuf_.size()) {
    rbuf_.clear();
    rpos_ = scan_ = 0;
  }
  return line;
}

void TSockClient::CaptureTo(const std::function<void(const char*, size_t)>& sink, const std::function<bool()>& stop,
                            const char* abortText) {
  struct Guard {
    TSockClient& c;
    ~Guard() {
      c.sink_ = nullptr;
      c.capturing_ = false;
    }
  } guard{*this};
  capturing_ = true;
  BytesReceived = 0;
  if (rpos_ < rbuf_.size()) {
    size_t n = rbuf_.size() - rpos_;
    BytesReceived += static_cast<std::int64_t>(n);
    sink(rbuf_.data() + rpos_, n);
  }
  rbuf_.clear();
  rpos_ = scan_ = 0;
  sink_ = sink;
  WaitFor([&] { return !connected_ || stop(); });
  if (cancel_) {
    cancel_ = false;
    throw EAbortError(abortText);
  }
}

std::string TSockClient::CaptureString(std::int64_t limit) {
  StatusMessage(8, "Capture String");
  std::string out;
  CaptureTo([&](const char* p, size_t n) { out.append(p, n); },
            [&] { return limit >= 0 && static_cast<std::int64_t>(out.size()) >= limit; }, "Socket capture aborted");
  return out;
}

void TSockClient::CaptureFile(const std::string& fileName) {
  StatusMessage(8, "CaptureFile");
  sys::Fd f(sys::Open(fs::ToOsPath(fileName).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
  if (!f) throw ESockError(ErrorText(SockErrorFromErrno(errno)));
  CaptureTo(
      [&](const char* p, size_t n) {
        if (!sys::WriteAll(f.get(), p, n)) throw ESockError(fileName + ": " + sys::ErrnoText(errno));
      },
      [] { return false; }, "Socket send aborted");
}

std::string TSockClient::Transaction(const std::string& command) {
  StatusMessage(8, "Transaction");
  ReplyNumber = 0;
  Writeln(command);
  std::string reply = ReadLn();
  if (!reply.empty()) {
    StatusMessage(1, reply);
    long long v = 0;
    int digits = 0;
    while (digits < 10 && digits < static_cast<int>(reply.size()) && reply[digits] >= '0' && reply[digits] <= '9')
      v = v * 10 + (reply[digits++] - '0');
    ReplyNumber = static_cast<std::int16_t>(v);
  }
  return reply;
}

}  // namespace bq
