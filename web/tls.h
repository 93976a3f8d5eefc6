#pragma once
// A TLS client session over a connected non-blocking socket (OpenSSL):
// SNI, certificate chain checked against the system's CA store plus an
// optional extra CA file, host name (or address) checked against the
// certificate.
#include <sys/types.h>

#include <memory>
#include <string>

namespace bq {

class TTlsSession {
 public:
  // What a step needs before it can go on.
  enum Want { kDone, kWantRead, kWantWrite, kClosed, kFailed };

  TTlsSession(int fd, const std::string& host, const std::string& caFile);
  ~TTlsSession();
  TTlsSession(const TTlsSession&) = delete;
  TTlsSession& operator=(const TTlsSession&) = delete;

  // One handshake step; on kFailed Error() says why.
  Want Handshake();
  // Bytes read (> 0), or 0 with the state in want.
  ssize_t Read(char* buf, size_t n, Want& want);
  ssize_t Write(const char* buf, size_t n, Want& want);
  // Decrypted bytes waiting inside the session.
  bool Pending() const;
  const std::string& Error() const { return error_; }

 private:
  Want Classify(int ret);

  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::string error_;
};

}  // namespace bq
