#pragma once
// Real servers started by the tests and benchmarks themselves on 127.0.0.1:
// nginx (static pages over HTTP and HTTPS with a CA and certificates made
// with the openssl command) and tinyproxy. Each runs in the foreground in a
// temporary folder and is stopped when its object goes away.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace bq::test {

inline bool HaveProgram(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

inline int FreePort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

inline bool WaitForPort(int port, int ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    if (ok) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline bool Shell(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0; }

// A child process in the foreground, stopped (and reaped) on destruction.
class Child {
 public:
  bool Start(const std::vector<std::string>& argv) {
    pid_ = ::fork();
    if (pid_ == 0) {
      std::vector<char*> args;
      for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      int devnull = ::open("/dev/null", O_WRONLY);
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    return pid_ > 0;
  }
  ~Child() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 200; ++i) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_ = -1;
};

// A CA, a certificate for 127.0.0.1 and localhost signed by it, and one for
// another name only.
struct TestCerts {
  std::string dir, ca, cert, key, otherCert, otherKey;
  bool Make(const std::string& d) {
    dir = d;
    ca = d + "ca.pem";
    cert = d + "server.pem";
    key = d + "server.key";
    otherCert = d + "other.pem";
    otherKey = d + "other.key";
    WriteText(d + "san.cnf", "subjectAltName=IP:127.0.0.1,DNS:localhost\n");
    WriteText(d + "other.cnf", "subjectAltName=DNS:elsewhere.test\n");
    std::string o = "openssl ";
    return Shell(o + "req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=BqTestCA -keyout " + d + "ca.key -out " + ca) &&
           Shell(o + "req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj /CN=127.0.0.1 -keyout " + key + " -out " + d + "server.csr") &&
           Shell(o + "x509 -req -in " + d + "server.csr -CA " + ca + " -CAkey " + d + "ca.key -CAcreateserial -days 2 -extfile " +
                 d + "san.cnf -out " + cert) &&
           Shell(o + "req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj /CN=elsewhere.test -keyout " + otherKey + " -out " + d + "other.csr") &&
           Shell(o + "x509 -req -in " + d + "other.csr -CA " + ca + " -CAkey " + d + "ca.key -CAcreateserial -days 2 -extfile " +
                 d + "other.cnf -out " + otherCert);
  }
};

// nginx serving dir + "html/" on a plain port, a TLS port with the good
// certificate and a TLS port with the other-name certificate. Replies carry
// the Via header of the request as X-Via, so tests can see a proxy.
class Nginx {
 public:
  static constexpr const char* kBinary = "/usr/sbin/nginx";
  int port = 0, tlsPort = 0, otherTlsPort = 0;
  std::string html, error;
  TestCerts certs;

  bool Start(const std::string& dir) {
    html = dir + "html/";
    Shell("mkdir -p " + html + " " + dir + "logs " + dir + "temp");
    if (!certs.Make(dir)) return Fail("openssl could not make the test certificates");
    port = FreePort();
    tlsPort = FreePort();
    otherTlsPort = FreePort();
    std::string tls = " ssl;\n    ssl_certificate ";
    WriteText(dir + "nginx.conf",
              "daemon off;\nmaster_process off;\nworker_processes 1;\npid " + dir + "nginx.pid;\nerror_log " + dir +
                  "logs/error.log;\nevents { worker_connections 1024; }\nhttp {\n  access_log off;\n"
                  "  client_body_temp_path " + dir + "temp/body;\n  proxy_temp_path " + dir + "temp/proxy;\n"
                  "  fastcgi_temp_path " + dir + "temp/fcgi;\n  uwsgi_temp_path " + dir + "temp/uwsgi;\n"
                  "  scgi_temp_path " + dir + "temp/scgi;\n  keepalive_timeout 0;\n  root " + html + ";\n"
                  "  add_header X-Via \"$http_via\";\n"
                  "  server {\n    listen 127.0.0.1:" + std::to_string(port) + ";\n  }\n"
                  "  server {\n    listen 127.0.0.1:" + std::to_string(tlsPort) + tls + certs.cert +
                  ";\n    ssl_certificate_key " + certs.key + ";\n  }\n"
                  "  server {\n    listen 127.0.0.1:" + std::to_string(otherTlsPort) + tls + certs.otherCert +
                  ";\n    ssl_certificate_key " + certs.otherKey + ";\n  }\n}\n");
    if (!child_.Start({kBinary, "-p", dir, "-e", dir + "logs/error.log", "-c", dir + "nginx.conf"}))
      return Fail("cannot start nginx");
    if (!WaitForPort(port, 5000) || !WaitForPort(tlsPort, 5000)) return Fail("nginx did not start listening");
    return true;
  }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port) + path; }
  std::string TlsUrl(const std::string& path, int p = 0) const {
    return "https://127.0.0.1:" + std::to_string(p ? p : tlsPort) + path;
  }

 private:
  bool Fail(const std::string& why) {
    error = why;
    return false;
  }
  Child child_;
};

class TinyProxy {
 public:
  static constexpr const char* kBinary = "/usr/bin/tinyproxy";
  int port = 0;
  bool Start(const std::string& dir) {
    port = FreePort();
    WriteText(dir + "tinyproxy.conf", "User nobody\nGroup nogroup\nPort " + std::to_string(port) +
                                          "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\nAllow 127.0.0.1\n"
                                          "LogLevel Critical\n");
    Shell("chmod 755 " + dir);
    if (!child_.Start({kBinary, "-d", "-c", dir + "tinyproxy.conf"})) return false;
    return WaitForPort(port, 5000);
  }

 private:
  Child child_;
};

}  // namespace bq::test
