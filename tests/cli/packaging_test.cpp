// What the package installs beside brindlequay-cli follows the program: its
// version is the changelog's, and its bash completion and manual page know
// every command and option `help` lists; the completion offers the site
// folders below the log root, the scripts of the libs folder and the keys of
// a folder's definition.
#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "tests/support/app_fixture.h"

namespace bq::test {
namespace {

using Words = std::vector<std::string>;

std::string Quoted(const std::string& word) {
  std::string q = "'";
  for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string SourceFile(const std::string& path) {
  std::ifstream in(std::string(BQ_SOURCE_DIR) + "/" + path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// One command of `help`: its name and usage (the line up to the blanks
// before its description).
struct UsageLine {
  std::string name, usage;
};

class PackagingTest : public TestFolder {
 protected:
  // What the completion offers for the words after the program's name, the
  // last being the word under the cursor (the global options not added).
  Words CompleteRaw(const Words& words) {
    std::string script = "source " +
                         Quoted(std::string(BQ_SOURCE_DIR) + "/packaging/brindlequay-cli.bash-completion") +
                         "\nCOMP_WORDS=(" + Quoted(BQ_CLI_PATH);
    for (const auto& w : words) script.append(1, ' ').append(Quoted(w));
    script += ")\nCOMP_CWORD=" + std::to_string(words.size()) +
              "\n_brindlequay_cli\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n";
    std::ofstream(dir + "complete.sh") << script;
    ProcessResult r = RunProcess("bash --norc --noprofile " + dir + "complete.sh", dir + "stderr.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    Words out;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
      if (!line.empty()) out.push_back(line);
    std::sort(out.begin(), out.end());
    return out;
  }
  // The same with this test's data and libs folders.
  Words Complete(Words words) {
    words.insert(words.begin(), {"--data", dir + "data", "--libs", dir + "libs"});
    return CompleteRaw(words);
  }

  std::vector<UsageLine> Commands() {
    ProcessResult r = Cli("help");
    EXPECT_EQ(r.status, 0);
    std::vector<UsageLine> out;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
      if (!std::regex_search(line, std::regex("^  [a-z]"))) continue;
      std::string usage = line.substr(2, line.find("   ", 2) - 2);
      out.push_back({usage.substr(0, usage.find(' ')), usage});
    }
    EXPECT_GE(out.size(), 15u);
    return out;
  }

  // Every option the completion offers for a command and its sub-commands.
  std::set<std::string> OfferedOptions(const UsageLine& c) {
    Words offered = Complete({c.name, "--"});
    for (const auto& sub : Complete({c.name, ""}))
      if (std::regex_match(sub, std::regex("[a-z-]+")) && c.usage.find(" " + sub + " ") != std::string::npos)
        for (const auto& o : Complete({c.name, sub, "--"})) offered.push_back(o);
    return {offered.begin(), offered.end()};
  }
};

std::vector<std::string> OptionsOf(const std::string& usage) {
  std::vector<std::string> out;
  std::regex option("--[a-z0-9][a-z0-9-]*");
  for (std::sregex_iterator it(usage.begin(), usage.end(), option), end; it != end; ++it)
    out.push_back(it->str());
  return out;
}

TEST_F(PackagingTest, VersionIsTheChangelogsTopEntry) {
  std::smatch m;
  std::string changelog = SourceFile("packaging/changelog");
  ASSERT_TRUE(std::regex_search(changelog, m, std::regex("^brindlequay \\(([^)]+)\\)")));
  ProcessResult r = Cli("--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "brindlequay-cli " + m[1].str() + "\n");
}

TEST_F(PackagingTest, CompletesEveryCommandAndEveryOptionOfItsUsage) {
  std::vector<UsageLine> commands = Commands();
  Words names = Complete({""});
  for (const auto& c : commands) {
    EXPECT_TRUE(std::binary_search(names.begin(), names.end(), c.name)) << "command " << c.name;
    std::set<std::string> offered = OfferedOptions(c);
    for (const auto& option : OptionsOf(c.usage))
      EXPECT_TRUE(offered.count(option)) << c.name << " " << option << " is not completed";
  }
  EXPECT_TRUE(std::binary_search(names.begin(), names.end(), "help"));
}

// An option followed by a value in the usage takes the next word as its
// value: what follows it is not completed as the command's options.
TEST_F(PackagingTest, OptionsWithAValueAreKnownAsSuch) {
  std::regex valued("(--[a-z0-9-]+) [A-Z0-9][^ \\]|]*");
  for (const auto& c : Commands()) {
    std::set<std::string> offered = OfferedOptions(c);
    for (std::sregex_iterator it(c.usage.begin(), c.usage.end(), valued), end; it != end; ++it) {
      std::string option = (*it)[1];
      Words words = {c.name};
      if (c.name == "schedule") words.push_back("set");
      if (c.name == "folder") words.push_back("add");
      words.insert(words.end(), {option, "--"});
      for (const auto& w : Complete(words))
        EXPECT_FALSE(offered.count(w)) << c.name << " " << option << " offers " << w << " for its value";
    }
  }
}

TEST_F(PackagingTest, ManualPageDocumentsEveryCommandAndOption) {
  std::string page = std::regex_replace(SourceFile("doc/brindlequay-cli.1"), std::regex("\\\\-"), "-");
  for (const auto& c : Commands()) {
    std::regex item("\\.TP\n\\.BI? \"?" + c.name + "[ \"\n]");
    EXPECT_TRUE(std::regex_search(page, item)) << c.name << " has no entry";
    for (const auto& option : OptionsOf(c.usage))
      EXPECT_NE(page.find(option), std::string::npos) << c.name << " " << option << " is not documented";
  }
  for (const char* global : {"--data", "--libs", "--settings", "--verbose", "--version"})
    EXPECT_NE(page.find(global), std::string::npos) << global;
}

TEST_F(PackagingTest, CompletesFoldersScriptsKeysAndWords) {
  for (const char* folder : {"news/tech", "news/world", "日記"})
    ASSERT_EQ(Cli(std::string("folder add ") + folder + " --url http://x/ --script board.pss").status, 0);
  for (const char* file : {"board.pss", "table_board.pss", "notes.txt"})
    std::ofstream(dir + "libs/" + file) << "";
  fs::ForceDirectories(dir + "abs/inner/");
  struct Case {
    Words words;
    Words offered;
  };
  const Case cases[] = {
      {{"run", "ne"}, {"news/"}},
      {{"run", "news/"}, {"news/tech/", "news/world/"}},
      {{"round", "日"}, {"日記/"}},
      {{"export", "news/tech", "--target", ""}, {"0", "1", "2", "3", "4"}},
      {{"list", "--"}, {"--json", "--unread"}},
      {{"list", "--json", "news/w"}, {"news/world/"}},
      {{"folder", ""}, {"add", "set", "show"}},
      {{"folder", "add", "x", "--script", ""}, {"board.pss", "table_board.pss"}},
      {{"folder", "set", "news/tech", "Char"}, {"Charset="}},
      {{"schedule", "set", "--e"}, {"--every-2h"}},
      {{"paths", "l"}, {"libs", "log-root"}},
      {{"run", dir + "ab"}, {dir + "abs/"}},
      {{"show", "news/tech", ""}, {}},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const auto& w : c.words) line += w + " ";
    EXPECT_EQ(Complete(c.words), c.offered) << line;
  }
}

TEST_F(PackagingTest, PathsNameTheFoldersInUse) {
  struct Case {
    std::string args;
    int status;
    std::string out;
  };
  const Case cases[] = {
      {"paths data", 0, dir + "data/\n"}, {"paths log-root", 0, dir + "data/Log/\n"},
      {"paths libs", 0, dir + "libs/\n"}, {"paths bogus", 2, ""},
      {"paths data libs", 2, ""},
  };
  for (const auto& c : cases) {
    ProcessResult r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.out, c.out) << c.args;
  }
  ProcessResult all = Cli("paths");
  EXPECT_TRUE(std::regex_search(all.out, std::regex("^settings: .*\ndata: " + dir + "data/\nlog-root: " +
                                                    dir + "data/Log/\nlibs: " + dir + "libs/\nhelp: .*\n$")))
      << all.out;
}

// Before the command: the global options; the log root follows --data, or
// the settings file's data folder.
TEST_F(PackagingTest, GlobalOptionsChooseTheLogRoot) {
  EXPECT_EQ(CompleteRaw({"--v"}), Words({"--verbose", "--version"}));
  fs::WriteFileAtomic(dir + "my.ini", "LOGDIR=" + dir + "fromini/\r\n");
  fs::ForceDirectories(dir + "fromini/Log/site/");
  fs::ForceDirectories(dir + "data/Log/other/");
  EXPECT_EQ(CompleteRaw({"--settings", dir + "my.ini", "run", ""}), Words({"site/"}));
  EXPECT_EQ(CompleteRaw({"--settings", dir + "my.ini", "--data", dir + "data", "run", ""}),
            Words({"other/"}));
}

// The TLS library is loaded by the first TLS session: a start that fetches
// nothing over TLS neither loads nor relocates it. (The TLS sessions
// themselves are tested against a real server in the web tests.)
TEST_F(PackagingTest, TheProgramLinksNoTlsLibraryAtStart) {
  const ProcessResult r = RunProcess(std::string("readelf -d ") + BQ_CLI_PATH, dir + "readelf.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  std::set<std::string> needed;
  const std::regex line(R"(\(NEEDED\)\s+Shared library: \[([^\]]+)\])");
  for (std::sregex_iterator it(r.out.begin(), r.out.end(), line), end; it != end; ++it) needed.insert((*it)[1]);
  EXPECT_TRUE(needed.count("libc.so.6")) << r.out;  // the list was read
  for (const std::string& name : needed) {
    EXPECT_EQ(name.rfind("libssl", 0), std::string::npos) << name;
    EXPECT_EQ(name.rfind("libcrypto", 0), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace bq::test
