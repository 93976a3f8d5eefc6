#pragma once
// A small HTTP/1.0 server on 127.0.0.1 with an ephemeral port, answering
// from a handler on a thread of its own. It serves the demo's pages and the
// pages of tests, benchmarks and the fuzzer; one connection per request.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace bq::app {

struct LocalRequest {
  std::string method;
  std::string target;  // path and query as sent
  std::string headers;  // the header lines after the request line, as sent
  std::string body;
};

struct LocalResponse {
  int status = 200;
  std::string contentType = "text/html";
  std::string body;
  std::vector<std::string> headers = {};  // further header lines ("ETag: \"v1\"")
};

class TLocalServer {
 public:
  using Handler = std::function<LocalResponse(const LocalRequest&)>;
  // Listens at once; throws bq::Exception when no socket can be bound.
  explicit TLocalServer(Handler handler);
  ~TLocalServer();
  TLocalServer(const TLocalServer&) = delete;
  TLocalServer& operator=(const TLocalServer&) = delete;

  std::uint16_t Port() const { return port_; }
  // "http://127.0.0.1:PORT" followed by path.
  std::string Url(const std::string& path) const;
  int Requests() const { return requests_.load(); }

 private:
  void Serve();
  void Answer(int fd);

  Handler handler_;
  int listenFd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

// A handler serving the files below a folder (OS path): "/a/b.html" is the
// file folder + "a/b.html"; the query is ignored; 404 for anything else.
// Content types by extension; pages of a folder named in charsets get that
// charset in their Content-Type.
TLocalServer::Handler FolderHandler(std::string folder, std::map<std::string, std::string> charsets = {});

}  // namespace bq::app
