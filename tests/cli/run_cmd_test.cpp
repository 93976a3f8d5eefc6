// run: failed page operations are told on stderr (exit status unchanged),
// --verbose lists every page, and the log comes out in the default order.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "tests/cli/cli_runner.h"

namespace bq::test {
namespace {

// A loopback port with nothing listening: bound, then closed again.
int ClosedPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    if (fd >= 0) ::close(fd);
    return 0;
  }
  ::close(fd);
  return ntohs(a.sin_port);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

class RunCommand : public CliRunner {
 protected:
  void AddFolder(const std::string& name, const std::string& script, const std::string& url) {
    ProcessResult r = Cli("folder add " + name + " --url " + url + " --script " + script + " --round");
    ASSERT_EQ(r.status, 0) << r.err;
  }
};

TEST_F(RunCommand, EveryFailedFetchIsOneStderrLineWithTheAddressAndTheReason) {
  int port = ClosedPort();
  ASSERT_NE(port, 0);
  const std::string refused = "http://127.0.0.1:" + std::to_string(port) + "/x.html";
  const std::string unknown = "http://no-such-host.invalid/";
  const std::string missing = Url("/missing.html");
  Script("fail.pss", "SCRIPT f;\r\nBEGIN\r\n  GET('" + refused + "'); GET('" + unknown + "');\r\n  GET('" + missing +
                         "'); GET('/news/123.html');\r\n  GET(%URL%)\r\nEND.\r\n");
  Page("/ok.html", "<p>fine</p>");
  AddFolder("f", "fail.pss", Url("/ok.html"));
  ProcessResult r = Cli("run f");
  EXPECT_EQ(r.status, 0) << r.err;  // the script decided; the run itself went well
  EXPECT_EQ(r.out, "0 new, 0 unread, 0 total\n");
  std::vector<std::string> lines = Lines(r.err);
  ASSERT_EQ(lines.size(), 4u) << r.err;
  const std::string prefix = "fetch failed: GET ";
  EXPECT_EQ(lines[0].rfind(prefix + refused + ": ", 0), 0u) << lines[0];
  EXPECT_GT(lines[0].size(), prefix.size() + refused.size() + 2);  // a reason follows
  EXPECT_EQ(lines[1].rfind(prefix + unknown + ": ", 0), 0u) << lines[1];
  EXPECT_GT(lines[1].size(), prefix.size() + unknown.size() + 2);
  EXPECT_EQ(lines[2], prefix + missing + ": HTTP 404");
  EXPECT_EQ(lines[3], prefix + "/news/123.html: not an absolute http:// or https:// address");
}

TEST_F(RunCommand, VerboseListsEachPageWithStatusBytesAndTime) {
  Script("one.pss", "SCRIPT o;\r\nBEGIN GET(%URL%) END.\r\n");
  Page("/ok.html", "0123456789");
  AddFolder("v", "one.pss", Url("/ok.html"));
  ProcessResult r = Cli("--verbose run v");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 2u) << r.out;
  const std::string head = "GET " + Url("/ok.html") + " 200 10 bytes ";
  EXPECT_EQ(lines[0].rfind(head, 0), 0u) << lines[0];
  EXPECT_EQ(lines[0].substr(lines[0].size() - 3), " ms");
}

TEST_F(RunCommand, RoundNamesTheFolderOfEachFailedFetch) {
  Script("one.pss", "SCRIPT o;\r\nBEGIN GET(%URL%) END.\r\n");
  AddFolder("r", "one.pss", Url("/gone.html"));
  ProcessResult r = Cli("round r");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "r/: fetch failed: GET " + Url("/gone.html") + ": HTTP 404\n");
}

// The newest thread comes first by default, in the saved log and in list.
TEST_F(RunCommand, NewestThreadFirstInTheLogAndTheList) {
  Script("two.pss",
         "SCRIPT t;\r\nBEGIN PACK(0: 1, 2: 1000, 3: '古い'); PUTLOG(0); PACK(0: 2, 2: 2000, 3: '新しい'); PUTLOG(0) "
         "END.\r\n");
  AddFolder("o", "two.pss", Url("/x"));
  ASSERT_EQ(Cli("run o").status, 0);
  std::string saved;
  ASSERT_TRUE(fs::ReadFile(dir + "data/Log/o/kvllog.dat", saved));
  EXPECT_LT(saved.find(Utf8ToSjis("新しい")), saved.find(Utf8ToSjis("古い")));
  ProcessResult list = Cli("list o");
  EXPECT_LT(list.out.find("新しい"), list.out.find("古い")) << list.out;
}

}  // namespace
}  // namespace bq::test
