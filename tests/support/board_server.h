#pragma once
// The generated board of the tests that run two programs for real on one
// data folder (two CLI processes, the desktop beside the CLI): a server on
// 127.0.0.1 that hands every run of a folder 60 new articles, and counts
// what it served, so a test can compare the log with it, which the
// checks at the end do.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <iterator>
#include <vector>

#include "logstore/scrap_list.h"
#include "platform/ui.h"

namespace bq::test {

// A board that makes up new articles: the first page of a board ("/NAME/1")
// opens a batch of 60 topics of its own, its pages 2 and 3 follow as
// "/NAME/BATCH/P". Every fourth article replies to the one before it. Each
// connection is answered on a thread of its own, so runs can overlap; a
// first page can be held back until a number of first pages have come in,
// or until the test lets it go.
class GeneratedBoard {
 public:
  static constexpr int kPerPage = 20;
  static constexpr int kPages = 3;
  static constexpr int kPerRun = kPerPage * kPages;
  // How long a held first page waits at most.
  static constexpr std::chrono::seconds kGateLimit{20};

  GeneratedBoard() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    const int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 64) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
      return;
    port_ = ntohs(a.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
  }
  ~GeneratedBoard() {
    stop_ = true;
    {
      std::lock_guard<std::mutex> g(mu_);
      released_ = true;
    }
    cv_.notify_all();
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    if (acceptor_.joinable()) acceptor_.join();
    for (auto& t : workers_) t.join();
  }
  bool Listening() const { return port_ != 0; }
  std::string Url(const std::string& board) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + board + "/1";
  }
  // First pages wait until this many have arrived (0: none waits).
  void HoldFirstPagesFor(int runs) {
    std::lock_guard<std::mutex> g(mu_);
    gate_ = runs;
    released_ = false;
  }
  // First pages wait until Release.
  void HoldFirstPages() { HoldFirstPagesFor(1 << 30); }
  void Release() {
    {
      std::lock_guard<std::mutex> g(mu_);
      released_ = true;
    }
    cv_.notify_all();
  }
  // Waits (bounded) until `count` first pages have come in since the start.
  bool WaitForFirstPages(int count) {
    std::unique_lock<std::mutex> g(mu_);
    return cv_.wait_for(g, kGateLimit, [&] { return firstPages_ >= count; });
  }
  // The topics served so far, per board.
  std::set<int> Served(const std::string& board) {
    std::lock_guard<std::mutex> g(mu_);
    return served_[board];
  }

 private:
  void Accept() {
    while (!stop_) {
      const int c = ::accept(fd_, nullptr, nullptr);
      if (c < 0) break;
      std::lock_guard<std::mutex> g(mu_);
      workers_.emplace_back([this, c] { Answer(c); });
    }
  }
  void Answer(int c) {
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
      const ssize_t n = ::recv(c, buf, sizeof buf, 0);
      if (n <= 0) break;
      request.append(buf, static_cast<std::size_t>(n));
    }
    const std::size_t sp = request.find(' '), sp2 = request.find(' ', sp + 1);
    const std::string target = sp == std::string::npos ? "" : request.substr(sp + 1, sp2 - sp - 1);
    const std::string body = Page(target);
    const std::string reply = std::string(body.empty() ? "HTTP/1.0 404 Not Found" : "HTTP/1.0 200 OK") +
                              "\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    for (std::size_t sent = 0; sent < reply.size();) {
      const ssize_t n = ::send(c, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    ::close(c);
  }
  // "/board/1" or "/board/batch/page".
  std::string Page(const std::string& target) {
    std::vector<std::string> parts;
    for (std::size_t p = 1; p <= target.size();) {
      std::size_t q = target.find('/', p);
      if (q == std::string::npos) q = target.size();
      parts.push_back(target.substr(p, q - p));
      p = q + 1;
    }
    int batch = 0, page = 0;
    if (parts.size() == 2 && parts[1] == "1") {
      std::unique_lock<std::mutex> g(mu_);
      batch = batches_[parts[0]]++;
      ++firstPages_;
      cv_.notify_all();
      cv_.wait_for(g, kGateLimit, [&] { return released_ || firstPages_ >= gate_; });
      page = 1;
    } else if (parts.size() == 3) {
      batch = std::atoi(parts[1].c_str());
      page = std::atoi(parts[2].c_str());
    }
    if (page < 1 || page > kPages) return {};
    return Html(parts[0], batch, page);
  }
  std::string Html(const std::string& board, int batch, int page) {
    std::string html = "<html><head><meta charset=\"UTF-8\"><title>board</title></head><body>\n";
    const int first = batch * kPerRun + (page - 1) * kPerPage + 1;
    for (int t = first; t < first + kPerPage; ++t) {
      const int refer = t % 4 == 0 ? t - 1 : 0;
      const int minutes = t;
      char date[32];
      std::snprintf(date, sizeof date, "2026/01/%02d %02d:%02d", 1 + minutes / 1440, minutes / 60 % 24, minutes % 60);
      html += "<div class=\"post\"><a name=\"" + std::to_string(t) + "\">[" + std::to_string(t) +
              "]</a> <span class=\"re\">" + std::to_string(refer) + "</span> <b>記事 " + std::to_string(t) +
              "</b> 投稿者:<i>名前" + std::to_string(t % 7) + "</i> <small>" + date +
              "</small>\n<blockquote>本文 " + std::to_string(t) + "<br>二行目</blockquote></div>\n";
      std::lock_guard<std::mutex> g(mu_);
      served_[board].insert(t);
    }
    if (page < kPages)
      html += "<p><a href=\"/" + board + "/" + std::to_string(batch) + "/" + std::to_string(page + 1) +
              "\">次のページ</a></p>\n";
    return html + "</body></html>\n";
  }

  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread acceptor_;
  std::vector<std::thread> workers_;
  std::mutex mu_;
  std::condition_variable cv_;
  std::map<std::string, int> batches_;
  std::map<std::string, std::set<int>> served_;
  int firstPages_ = 0;
  int gate_ = 0;
  bool released_ = true;
};

// Topic numbers as a command's arguments (" 1 2 3").
inline std::string Joined(const std::vector<int>& topics) {
  std::string out;
  for (int t : topics) {
    out += ' ';
    out += std::to_string(t);
  }
  return out;
}

// A folder's log as the board's tests look at it.
struct BoardLog {
  std::map<int, int> copies;  // topic -> articles with it
  std::set<int> unread;
};

inline BoardLog ReadBoardLog(const std::string& folder) {
  RecordingUi ui;
  TScrapList log(ui);
  log.SetReadOnly(true);
  EXPECT_TRUE(log.OpenFolder(folder));
  BoardLog s;
  for (int i = 0; i < log.Count(); ++i) {
    const ArticleView a = log.View(i);
    ++s.copies[a.TOPIC];
    if (a.Unread) s.unread.insert(a.TOPIC);
  }
  EXPECT_TRUE(ui.calls.empty());
  return s;
}

// Every topic served is in the folder's log once, and nothing else is.
inline void ExpectBoardLog(const std::string& folder, const std::set<int>& topics, const std::string& when) {
  const BoardLog s = ReadBoardLog(folder);
  std::set<int> stored;
  int duplicated = 0;
  for (const auto& [topic, n] : s.copies) {
    stored.insert(topic);
    duplicated += n - 1;
  }
  std::vector<int> lost, extra;
  std::set_difference(topics.begin(), topics.end(), stored.begin(), stored.end(), std::back_inserter(lost));
  std::set_difference(stored.begin(), stored.end(), topics.begin(), topics.end(), std::back_inserter(extra));
  EXPECT_EQ(lost.size(), 0u) << when << ": lost, the first " << (lost.empty() ? 0 : lost.front());
  EXPECT_EQ(duplicated, 0) << when;
  EXPECT_EQ(extra.size(), 0u) << when << ": came back or never served, the first "
                              << (extra.empty() ? 0 : extra.front());
}

}  // namespace bq::test
