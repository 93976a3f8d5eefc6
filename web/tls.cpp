#include "web/tls.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <map>
#include <mutex>

#include "web/sockerrors.h"

namespace bq {
namespace {

using CtxPtr = std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)>;

// One context per extra CA file: loading the system store is not free.
SSL_CTX* ContextFor(const std::string& caFile) {
  static std::mutex mu;
  static std::map<std::string, CtxPtr> contexts;
  std::lock_guard<std::mutex> lock(mu);
  auto it = contexts.find(caFile);
  if (it != contexts.end()) return it->second.get();
  CtxPtr ctx(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
  if (!ctx) throw ESockError("TLS: cannot create a context");
  SSL_CTX_set_min_proto_version(ctx.get(), TLS1_2_VERSION);
  SSL_CTX_set_mode(ctx.get(), SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  SSL_CTX_set_default_verify_paths(ctx.get());
  if (!caFile.empty() && SSL_CTX_load_verify_locations(ctx.get(), caFile.c_str(), nullptr) != 1)
    throw ESockError("TLS: cannot read the CA file " + caFile);
  SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_PEER, nullptr);
  SSL_CTX* raw = ctx.get();
  contexts.emplace(caFile, std::move(ctx));
  return raw;
}

bool IsAddressLiteral(const std::string& host) {
  unsigned char buf[16];
  return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

std::string OpenSslErrors() {
  std::string out;
  while (unsigned long e = ERR_get_error()) {
    char buf[256];
    ERR_error_string_n(e, buf, sizeof buf);
    if (!out.empty()) out += "; ";
    out += buf;
  }
  return out;
}

}  // namespace

struct TTlsSession::Impl {
  SSL* ssl = nullptr;
  ~Impl() {
    if (ssl) SSL_free(ssl);
  }
};

TTlsSession::TTlsSession(int fd, const std::string& host, const std::string& caFile)
    : impl_(std::make_unique<Impl>()) {
  impl_->ssl = SSL_new(ContextFor(caFile));
  if (!impl_->ssl) throw ESockError("TLS: cannot create a session");
  SSL* ssl = impl_->ssl;
  SSL_set_fd(ssl, fd);
  if (IsAddressLiteral(host)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
  } else {
    SSL_set_tlsext_host_name(ssl, host.c_str());
    SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    SSL_set1_host(ssl, host.c_str());
  }
  SSL_set_connect_state(ssl);
}

TTlsSession::~TTlsSession() = default;

TTlsSession::Want TTlsSession::Classify(int ret) {
  int err = SSL_get_error(impl_->ssl, ret);
  switch (err) {
    case SSL_ERROR_WANT_READ: return kWantRead;
    case SSL_ERROR_WANT_WRITE: return kWantWrite;
    case SSL_ERROR_ZERO_RETURN: return kClosed;
    case SSL_ERROR_SYSCALL:
      // A peer that closes without a close_notify: the end of the data.
      if (ERR_peek_error() == 0) return kClosed;
      break;
    default: break;
  }
  error_ = "TLS: " + OpenSslErrors();
  return kFailed;
}

TTlsSession::Want TTlsSession::Handshake() {
  ERR_clear_error();
  int r = SSL_do_handshake(impl_->ssl);
  if (r == 1) return kDone;
  Want w = Classify(r);
  if (w == kWantRead || w == kWantWrite) return w;
  long verify = SSL_get_verify_result(impl_->ssl);
  if (verify != X509_V_OK)
    error_ = std::string("TLS: certificate verification failed: ") + X509_verify_cert_error_string(verify);
  else if (w == kClosed || error_ == "TLS: ")
    error_ = "TLS: the server closed the connection during the handshake";
  return kFailed;
}

ssize_t TTlsSession::Read(char* buf, size_t n, Want& want) {
  ERR_clear_error();
  int r = SSL_read(impl_->ssl, buf, static_cast<int>(n));
  if (r > 0) {
    want = kDone;
    return r;
  }
  want = Classify(r);
  return 0;
}

ssize_t TTlsSession::Write(const char* buf, size_t n, Want& want) {
  ERR_clear_error();
  int r = SSL_write(impl_->ssl, buf, static_cast<int>(n));
  if (r > 0) {
    want = kDone;
    return r;
  }
  want = Classify(r);
  return 0;
}

bool TTlsSession::Pending() const { return SSL_pending(impl_->ssl) > 0; }

}  // namespace bq
