#pragma once
// A TCP client for a program that runs on one thread. Operations look
// blocking (connect, write, read a line, capture), but every wait polls the
// socket with a short timeout and pumps the application's events between
// polls, so Stop, Skip and timers act while a transfer runs. Host lookups run
// on a helper thread whose result the waiting loop picks up.
#include <sys/socket.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/events.h"
#include "platform/sys.h"
#include "web/sockerrors.h"

namespace bq {

class TTlsSession;

class TSockClient {
 public:
  explicit TSockClient(EventPump& pump);
  virtual ~TSockClient();
  TSockClient(const TSockClient&) = delete;
  TSockClient& operator=(const TSockClient&) = delete;

  // Published properties.
  std::string Host;
  int Port = 0;
  int TimeOut = 0;  // milliseconds, 0 = none
  int ReportLevel = 1;
  std::function<void()> OnDisconnect, OnConnect;
  std::function<void(bool& handled)> OnInvalidHost;
  std::function<void()> OnHostResolved;
  std::function<void(const std::string&)> OnStatus;
  std::function<void()> OnConnectionFailed;
  std::function<void(const std::string&)> OnError;
  std::function<void()> OnPacketRecvd, OnPacketSent;
  // When set, lookups and connects go to Proxy:ProxyPort.
  std::string Proxy;
  int ProxyPort = 0;
  // TLS on the next Connect (to Host, or to Proxy when set), with an extra
  // CA file trusted besides the system store.
  bool UseTls = false;
  std::string CaFile;

  // Public state.
  std::int16_t ReplyNumber = 0;
  std::string Status;
  int LastError = 0;
  std::int64_t BytesTotal = 0, BytesReceived = 0, BytesSent = 0;
  static const std::vector<std::string>& Info();

  virtual void Connect();
  virtual void Disconnect();
  void Cancel();
  virtual void Abort() {}
  void ResolveHost();
  // Sends at most 16,384 bytes of text, ending early at a NUL byte.
  void Write(const std::string& text);
  void Writeln(const std::string& text);
  // Sends all of data, whatever its size or content.
  void WriteBytes(const std::string& data);
  void SendFile(const std::string& fileName);
  // The next line with its line end; at the end of the data, what is left
  // (possibly empty). Throws ESockError past the line limit.
  std::string ReadLn();
  // Received data until the peer closes (limit -1) or at least limit bytes.
  std::string CaptureString(std::int64_t limit);
  void CaptureFile(const std::string& fileName);
  virtual std::string Transaction(const std::string& command);
  void CloseSocket();
  void StatusMessage(int level, const std::string& text);
  std::string ErrorText(int code);
  // Notes code as the last error; unless it is the expected one, raises the
  // error event and ESockError with its text.
  void CheckError(int code, int expected);
  bool Connected() const { return connected_; }

 protected:
  // Called on every pass of every wait, before the events are pumped.
  virtual void Idle() {}
  // With UseTls and a Proxy: opens a tunnel to Host through the connected
  // proxy and returns true, so that TLS talks to Host; false (the default)
  // puts TLS on the connection to the proxy itself.
  virtual bool OpenTunnel() { return false; }
  // Waits ms milliseconds, pumping events; false when a cancel ended it
  // (the cancel is then cleared).
  bool Delay(std::uint64_t ms);
  // Passes the received bytes (first those already buffered) to sink until
  // the peer closes, stop() holds or a cancel; the abort message is given.
  void CaptureTo(const std::function<void(const char*, size_t)>& sink, const std::function<bool()>& stop,
                 const char* abortText);
  bool cancel_ = false;
  bool lookupDone_ = false;
  bool timedOut_ = false;

 private:
  struct Address {
    sockaddr_storage addr;
    socklen_t len;
  };
  template <class F>
  void WaitFor(F done) {
    while (!done() && !cancel_) Pass();
  }
  void Pass();
  void ReadHandler();
  bool ReadChunk();
  void WriteHandler();
  void SendBuffer(const std::string& bytes);
  bool TryConnect(const Address& a, int port);
  void StartTls(const std::string& name);
  void TimerOn();
  void TimerOff();
  void TimerCheck();
  void FailConnect(std::string message);

  EventPump& pump_;
  sys::Fd fd_;
  std::unique_ptr<TTlsSession> tls_;
  int tlsWant_ = 0;
  std::vector<Address> addrs_;
  bool connected_ = false, connecting_ = false, noError_ = true, capturing_ = false;
  bool sendComplete_ = true, destroying_ = false;
  int sendError_ = 0;
  std::string rbuf_;
  size_t rpos_ = 0, scan_ = 0;
  std::string sbuf_;
  size_t spos_ = 0;
  sys::Fd sendFile_;
  std::function<void(const char*, size_t)> sink_;
  bool timerOn_ = false;
  std::uint64_t deadline_ = 0;
};

}  // namespace bq
