#include "web/tls.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <map>
#include <mutex>

#include "web/sockerrors.h"

namespace bq {
namespace {

// The system's libssl is loaded on the first TLS session, not at start: most
// runs (a script on the cache, the list, a local board) never need it, and
// loading and relocating libssl and libcrypto is most of a process's start.
// The shared, security-updated library stays the one in use; only the
// functions below are taken from it, typed by the installed headers.
#define BQ_SSL_FUNCTIONS(X)                                                                              X(TLS_client_method) X(SSL_CTX_new) X(SSL_CTX_free) X(SSL_CTX_ctrl) X(SSL_CTX_set_default_verify_paths)   X(SSL_CTX_load_verify_locations) X(SSL_CTX_set_verify) X(SSL_new) X(SSL_free) X(SSL_set_fd) X(SSL_ctrl)    X(SSL_get0_param) X(SSL_set_hostflags) X(SSL_set1_host) X(SSL_set_connect_state) X(SSL_get_error)         X(SSL_do_handshake) X(SSL_get_verify_result) X(SSL_read) X(SSL_write) X(SSL_pending)                      X(X509_VERIFY_PARAM_set1_ip_asc) X(X509_verify_cert_error_string) X(ERR_get_error) X(ERR_peek_error)      X(ERR_clear_error) X(ERR_error_string_n)

struct SslLibrary {
#define BQ_X(name) decltype(&::name) name = nullptr;
  BQ_SSL_FUNCTIONS(BQ_X)
#undef BQ_X
};

#define BQ_STR2(x) #x
#define BQ_STR(x) BQ_STR2(x)
constexpr const char* kLibSsl = "libssl.so." BQ_STR(OPENSSL_VERSION_MAJOR);

// The loaded library, or an ESockError saying why there is none (every
// session after a failure says the same).
const SslLibrary& Ssl() {
  static std::string failure;
  static const SslLibrary library = [] {
    SslLibrary lib;
    void* handle = dlopen(kLibSsl, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* why = dlerror();
      failure = std::string("TLS: cannot load ") + kLibSsl + (why ? std::string(": ") + why : "");
      return lib;
    }
    // dlsym on the handle also searches libcrypto, which libssl depends on.
#define BQ_X(name)                                                                     \
  lib.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name));               \
  if (lib.name == nullptr && failure.empty()) failure = std::string("TLS: ") + kLibSsl + " has no " #name;
    BQ_SSL_FUNCTIONS(BQ_X)
#undef BQ_X
    return lib;
  }();
  if (!failure.empty()) throw ESockError(failure);
  return library;
}

struct CtxFree {
  void operator()(SSL_CTX* ctx) const { Ssl().SSL_CTX_free(ctx); }
};
using CtxPtr = std::unique_ptr<SSL_CTX, CtxFree>;

// One context per extra CA file: loading the system store is not free.
SSL_CTX* ContextFor(const std::string& caFile) {
  const SslLibrary& ssl = Ssl();
  static std::mutex mu;
  static std::map<std::string, CtxPtr> contexts;
  std::lock_guard<std::mutex> lock(mu);
  auto it = contexts.find(caFile);
  if (it != contexts.end()) return it->second.get();
  CtxPtr ctx(ssl.SSL_CTX_new(ssl.TLS_client_method()));
  if (!ctx) throw ESockError("TLS: cannot create a context");
  ssl.SSL_CTX_ctrl(ctx.get(), SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr);
  ssl.SSL_CTX_ctrl(ctx.get(), SSL_CTRL_MODE, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER,
                   nullptr);
  ssl.SSL_CTX_set_default_verify_paths(ctx.get());
  if (!caFile.empty() && ssl.SSL_CTX_load_verify_locations(ctx.get(), caFile.c_str(), nullptr) != 1)
    throw ESockError("TLS: cannot read the CA file " + caFile);
  ssl.SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_PEER, nullptr);
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
  while (unsigned long e = Ssl().ERR_get_error()) {
    char buf[256];
    Ssl().ERR_error_string_n(e, buf, sizeof buf);
    if (!out.empty()) out += "; ";
    out += buf;
  }
  return out;
}

}  // namespace

struct TTlsSession::Impl {
  SSL* ssl = nullptr;
  ~Impl() {
    if (ssl) Ssl().SSL_free(ssl);
  }
};

TTlsSession::TTlsSession(int fd, const std::string& host, const std::string& caFile)
    : impl_(std::make_unique<Impl>()) {
  const SslLibrary& lib = Ssl();
  impl_->ssl = lib.SSL_new(ContextFor(caFile));
  if (!impl_->ssl) throw ESockError("TLS: cannot create a session");
  SSL* ssl = impl_->ssl;
  lib.SSL_set_fd(ssl, fd);
  if (IsAddressLiteral(host)) {
    lib.X509_VERIFY_PARAM_set1_ip_asc(lib.SSL_get0_param(ssl), host.c_str());
  } else {
    lib.SSL_ctrl(ssl, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name, const_cast<char*>(host.c_str()));
    lib.SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    lib.SSL_set1_host(ssl, host.c_str());
  }
  lib.SSL_set_connect_state(ssl);
}

TTlsSession::~TTlsSession() = default;

TTlsSession::Want TTlsSession::Classify(int ret) {
  int err = Ssl().SSL_get_error(impl_->ssl, ret);
  switch (err) {
    case SSL_ERROR_WANT_READ: return kWantRead;
    case SSL_ERROR_WANT_WRITE: return kWantWrite;
    case SSL_ERROR_ZERO_RETURN: return kClosed;
    case SSL_ERROR_SYSCALL:
      // A peer that closes without a close_notify: the end of the data.
      if (Ssl().ERR_peek_error() == 0) return kClosed;
      break;
    default: break;
  }
  error_ = "TLS: " + OpenSslErrors();
  return kFailed;
}

TTlsSession::Want TTlsSession::Handshake() {
  Ssl().ERR_clear_error();
  int r = Ssl().SSL_do_handshake(impl_->ssl);
  if (r == 1) return kDone;
  Want w = Classify(r);
  if (w == kWantRead || w == kWantWrite) return w;
  long verify = Ssl().SSL_get_verify_result(impl_->ssl);
  if (verify != X509_V_OK)
    error_ = std::string("TLS: certificate verification failed: ") + Ssl().X509_verify_cert_error_string(verify);
  else if (w == kClosed || error_ == "TLS: ")
    error_ = "TLS: the server closed the connection during the handshake";
  return kFailed;
}

ssize_t TTlsSession::Read(char* buf, size_t n, Want& want) {
  Ssl().ERR_clear_error();
  int r = Ssl().SSL_read(impl_->ssl, buf, static_cast<int>(n));
  if (r > 0) {
    want = kDone;
    return r;
  }
  want = Classify(r);
  return 0;
}

ssize_t TTlsSession::Write(const char* buf, size_t n, Want& want) {
  Ssl().ERR_clear_error();
  int r = Ssl().SSL_write(impl_->ssl, buf, static_cast<int>(n));
  if (r > 0) {
    want = kDone;
    return r;
  }
  want = Classify(r);
  return 0;
}

bool TTlsSession::Pending() const { return Ssl().SSL_pending(impl_->ssl) > 0; }

}  // namespace bq
