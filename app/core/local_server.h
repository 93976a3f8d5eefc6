#pragma once
// Local sockets. A small HTTP/1.0 server on 127.0.0.1 with an ephemeral
// port, answering from a handler on a thread of its own: it serves the
// demo's pages and the pages of tests, benchmarks and the fuzzer, one
// connection per request. And the desktop instance's Unix socket as a
// second start sees it: the rules of handing a command word to the running
// instance, which the Qt side only carries out.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
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

// ---- The running instance's socket ------------------------------------------
// A start sends its command word and a line break; the instance answers
// kInstanceAnswer once it has taken the word, and only then carries it out.

inline constexpr char kInstanceAnswer[] = "ok\n";
// How long a start waits for the running instance's answer.
inline constexpr int kInstanceAnswerMs = 5000;

enum class InstanceReach {
  Answered,      // the instance took the word
  NoInstance,    // no socket file, or one nobody listens on (left by a killed instance)
  NotAnswering,  // something listens but did not take the word in time (stopped, hung, its queue full)
};

// Connects to the socket file at path, sends word, and waits for the
// answer, timeoutMs in all. Only NoInstance lets a start take the socket
// over; a socket that is there and listening is never another start's.
InstanceReach ContactInstance(const std::string& socketPath, std::string_view word, int timeoutMs);

// The instance's side: the word, once what a start sent holds its line break
// (cut at limits::kMaxInstanceWord, then taken as complete). An empty result
// means the line is not complete yet.
std::optional<std::string> InstanceWord(std::string_view received);
// True when the start at the other end of a connected socket has closed it:
// it gave up waiting, so its word is no longer to be carried out.
bool PeerClosed(int fd);

}  // namespace bq::app
