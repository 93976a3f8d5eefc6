// A start and the running instance's socket, without a display: fake
// instances in this process (none, a stale file, one that never accepts, one
// whose queue is full, one that takes the word and answers, one that hangs
// up), what the start makes of each, and what it then does.
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "app/core/shell/command_line.h"
#include "app/core/local_server.h"
#include "tests/support/app_fixture.h"
#include "textlib/limits.h"

namespace bq::test {
namespace {

using app::InstanceReach;

constexpr int kShortMs = 300;

enum class Fake { None, StaleFile, NeverAccepts, QueueFull, Answers, HangsUp };

class InstanceSocket : public TestFolder {
 protected:
  void SetUp() override {
    TestFolder::SetUp();
    path = dir + "instance";
  }
  void TearDown() override {
    if (server.joinable()) server.join();
    for (int fd : fds) ::close(fd);
    TestFolder::TearDown();
  }
  int Track(int fd) {
    fds.push_back(fd);
    return fd;
  }
  // A socket bound to path, listening with backlog when backlog >= 0.
  int Bind(int backlog) {
    int fd = Track(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    if (backlog >= 0) {
      EXPECT_EQ(::listen(fd, backlog), 0);
    }
    return fd;
  }
  // One connection accepted within a bounded wait, its line read, then
  // answer (or nothing) sent and the connection closed.
  void ServeOnce(int listenFd, bool answer) {
    server = std::thread([this, listenFd, answer] {
      pollfd p{listenFd, POLLIN, 0};
      if (::poll(&p, 1, 3000) <= 0) return;
      int c = ::accept(listenFd, nullptr, nullptr);
      if (c < 0) return;
      char buf[256];
      std::string in;
      while (in.find('\n') == std::string::npos) {
        pollfd q{c, POLLIN, 0};
        if (::poll(&q, 1, 3000) <= 0) break;
        ssize_t n = ::read(c, buf, sizeof buf);
        if (n <= 0) break;
        in.append(buf, static_cast<std::size_t>(n));
      }
      received = in;
      if (answer) (void)!::write(c, app::kInstanceAnswer, std::strlen(app::kInstanceAnswer));
      ::close(c);
    });
  }
  void Make(Fake f) {
    switch (f) {
      case Fake::None: break;
      case Fake::StaleFile: ::close(Bind(-1)); fds.pop_back(); break;  // the file stays, nobody listens
      case Fake::NeverAccepts: Bind(4); break;
      case Fake::QueueFull: {
        int l = Bind(0);
        (void)l;
        // Fill the queue: non-blocking connects until the kernel refuses more.
        for (int i = 0; i < 16; ++i) {
          int c = Track(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
          sockaddr_un a{};
          a.sun_family = AF_UNIX;
          std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
          if (::connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) break;
        }
        break;
      }
      case Fake::Answers: ServeOnce(Bind(4), true); break;
      case Fake::HangsUp: ServeOnce(Bind(4), false); break;
    }
  }
  bool SocketFileThere() const {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
  }

  std::string path, received;
  std::vector<int> fds;
  std::thread server;
};

struct ReachCase {
  const char* name;
  Fake fake;
  InstanceReach reach;
};
void PrintTo(const ReachCase& c, std::ostream* os) { *os << c.name; }

class ContactCases : public InstanceSocket, public ::testing::WithParamInterface<ReachCase> {};

TEST_P(ContactCases, WhatTheStartFindsAndTheSocketLeftAsItWas) {
  const ReachCase& c = GetParam();
  Make(c.fake);
  bool before = SocketFileThere();
  EXPECT_EQ(app::ContactInstance(path, "all", kShortMs), c.reach);
  // Contacting never removes or replaces anything.
  EXPECT_EQ(SocketFileThere(), before);
  if (c.fake == Fake::Answers || c.fake == Fake::HangsUp) {
    server.join();
    EXPECT_EQ(received, "all\n");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Instances, ContactCases,
    ::testing::Values(ReachCase{"NoFile", Fake::None, InstanceReach::NoInstance},
                      ReachCase{"StaleFile", Fake::StaleFile, InstanceReach::NoInstance},
                      ReachCase{"NeverAccepts", Fake::NeverAccepts, InstanceReach::NotAnswering},
                      ReachCase{"QueueFull", Fake::QueueFull, InstanceReach::NotAnswering},
                      ReachCase{"Answers", Fake::Answers, InstanceReach::Answered},
                      ReachCase{"HangsUp", Fake::HangsUp, InstanceReach::NotAnswering}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InstanceSocket, ALongWordIsCutAtItsLimit) {
  Make(Fake::Answers);
  EXPECT_EQ(app::ContactInstance(path, std::string(limits::kMaxInstanceWord + 100, 'w'), 2000),
            InstanceReach::Answered);
  server.join();
  EXPECT_EQ(received, std::string(limits::kMaxInstanceWord, 'w') + "\n");
}

TEST(InstanceWord, ALineIsAWordAndAnUnfinishedOneIsNotYet) {
  struct Case {
    std::string received;
    std::optional<std::string> word;
  };
  const std::string longText(limits::kMaxInstanceWord + 5, 'x');
  const Case cases[] = {
      {"", std::nullopt},
      {"sho", std::nullopt},
      {"show\n", "show"},
      {"\n", ""},
      {"all\nmore", "all"},
      {longText, std::string(limits::kMaxInstanceWord, 'x')},
      {longText + "\n", std::string(limits::kMaxInstanceWord, 'x')},
  };
  for (const Case& c : cases) EXPECT_EQ(app::InstanceWord(c.received), c.word) << c.received.substr(0, 20);
}

TEST(PeerClosed, TellsAStartThatGaveUpFromOneThatWaits) {
  int sv[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
  ASSERT_EQ(::write(sv[0], "show\n", 5), 5);
  EXPECT_FALSE(app::PeerClosed(sv[1]));  // the word waits to be read, its start with it
  ::close(sv[0]);
  EXPECT_TRUE(app::PeerClosed(sv[1]));  // the word is still there, its start is not
  ::close(sv[1]);
}

TEST(PlanStart, EachAnswerOfTheSocketDecidesTheStart) {
  struct Case {
    const char* word;
    InstanceReach reach;
    bool becomeInstance;
    int exitCode;
    const char* message;
  };
  const Case cases[] = {
      {"all", InstanceReach::Answered, false, 0, ""},
      {"quit", InstanceReach::Answered, false, 0, ""},
      {"", InstanceReach::NoInstance, true, 0, ""},
      {"show", InstanceReach::NoInstance, true, 0, ""},
      {"run", InstanceReach::NoInstance, true, 0, ""},
      {"Quit", InstanceReach::NoInstance, false, 0, "no instance is running: nothing to quit"},
      {"q", InstanceReach::NoInstance, true, 0, ""},  // not a word: the instance starts, the word does nothing
      {"show", InstanceReach::NotAnswering, false, 2,
       "the running instance did not answer within 5 s (is it stopped or hung?); its socket /t/s is left as it is"},
      {"quit", InstanceReach::NotAnswering, false, 2,
       "the running instance did not answer within 5 s (is it stopped or hung?); its socket /t/s is left as it is"},
  };
  for (const Case& c : cases) {
    app::StartPlan p = app::PlanStart(c.word, c.reach, "/t/s");
    EXPECT_EQ(p.becomeInstance, c.becomeInstance) << c.word;
    EXPECT_EQ(p.exitCode, c.exitCode) << c.word;
    EXPECT_EQ(p.message, c.message) << c.word;
  }
}

}  // namespace
}  // namespace bq::test
