// Random site scripts against the demo boards: the input bytes steer a
// generator that writes scripts in the shape of the grammar (assignments,
// IF, FOR, FOREACH over every iterator kind, the builtins of every family),
// which are compiled and run with a bounded instruction budget against the
// demo pages served on 127.0.0.1. Nothing may crash, hang or read outside a
// buffer; compile errors and run-time errors are expected outcomes.
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/core/application.h"
#include "app/core/kernel.h"
#include "app/core/local_server.h"
#include "platform/fs.h"

namespace {

using namespace bq;

// Reads choices from the input; past its end every choice is 0.
class Choices {
 public:
  Choices(const std::uint8_t* d, std::size_t n) : d_(d), n_(n) {}
  unsigned Pick(unsigned count) { return count ? (pos_ < n_ ? d_[pos_++] : 0) % count : 0; }
  bool More() const { return pos_ < n_; }

 private:
  const std::uint8_t* d_;
  std::size_t n_;
  std::size_t pos_ = 0;
};

std::string ExeFolder() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string p = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string("./x");
  return p.substr(0, p.rfind('/') + 1);
}

// The demo pages: beside a build folder's libs/ copy or in the source tree.
std::string DemoPages() {
  std::string exe = ExeFolder();
  for (const char* rel : {"../libs/demo/", "../../libs/demo/", "libs/demo/"})
    if (fs::DirectoryExists(exe + rel)) return exe + rel;
  return exe;
}

struct World {
  World() : server(app::FolderHandler(DemoPages(), {{"utf8", "UTF-8"}})) {
    char tmpl[] = "/tmp/bqfuzz.XXXXXX";
    dir = ::mkdtemp(tmpl) ? std::string(tmpl) + "/" : std::string("/tmp/");
    fs::ForceDirectories(dir + "libs/");
    a.SetProgramFolder(dir, dir + "libs/");
    a.SetupFolders(dir + "data/");
    app::TKernel::Log(a).OpenFolder(a.LogRoot() + "site/");
  }
  RecordingUi ui;
  CallbackPump pump;
  app::TApplication a{ui, pump, [] { return SystemProxySettings{}; }};
  app::TLocalServer server;
  std::string dir;
};

World& TheWorld() {
  static World* w = new World();  // lives for the process; the fuzzer never exits cleanly
  return *w;
}

class Generator {
 public:
  Generator(Choices& c, const World& w) : c_(c), w_(w) {}

  std::string Script() {
    std::string s = "SCRIPT fuzz;\r\nPOST[]:-\r\n<b>${TITLE}</b>\\*<i>${AUTHOR}</i>\\*<blockquote>${BODY}</blockquote>\r\n-::\r\n"
                    "ROW[]:-\r\n<td class=\"t\">${T}</td>!{<td*>}!${A}</td>\r\n-::\r\nBEGIN\r\n";
    int n = 1 + static_cast<int>(c_.Pick(12));
    for (int i = 0; i < n && c_.More(); ++i) s += "  " + Statement(0) + ";\r\n";
    return s + "  x := 0\r\nEND.\r\n";
  }

 private:
  std::string Var() {
    static const char* v[] = {"a", "b", "t", "s", "n", "TITLE", "AUTHOR", "BODY", "T", "A", "_"};
    return v[c_.Pick(11)];
  }
  std::string Url() {
    static const char* p[] = {"/sjis/index.html", "/sjis/page2.html", "/euc/index.html", "/euc/page2.html",
                              "/utf8/index.html", "/utf8/page2.html", "/none.html"};
    std::string s(1, '\'');
    s += w_.server.Url(p[c_.Pick(7)]);
    s += '\'';
    return s;
  }
  std::string Literal() {
    static const char* l[] = {"''", "'<b>'", "'</b>'", "'*'", "','", "'次のページ'", "'a,b,,c'", "'x%41y'",
                              "'2026/12/01 09:15'", "\"%a%\\n\"", "'<td*>'", "'\x82\xa0'"};
    return l[c_.Pick(12)];
  }
  std::string File() {
    std::string s(1, '\'');
    s += w_.dir;
    s += 'f';
    s += std::to_string(c_.Pick(3));
    s += ".txt'";
    return s;
  }
  std::string Expr(int depth) {
    switch (depth > 2 ? c_.Pick(3) : c_.Pick(16)) {
      case 0: return Var();
      case 1: return Literal();
      case 2: return std::to_string(static_cast<int>(c_.Pick(200)) - 20);
      case 3: return Expr(depth + 1) + " + " + Expr(depth + 1);
      case 4: return "LENGTH(" + Expr(depth + 1) + ")";
      case 5: return "TRIM(" + Expr(depth + 1) + ")";
      case 6: return "URLNUM(" + Expr(depth + 1) + ")";
      case 7: return "CSV(" + Expr(depth + 1) + ", " + std::to_string(c_.Pick(4)) + ")";
      case 8: return "LINKS(" + Literal() + ", " + Var() + ")";
      case 9: return "HREF('', " + Var() + ")";
      case 10: return "WRAPSTR(" + Var() + ", " + Literal() + ", " + Literal() + ")";
      case 11: return "FORMATDATE(" + Expr(depth + 1) + ", 'Y/M/D')";
      case 12: return "DATEFORMAT(" + Expr(depth + 1) + ")";
      case 13: return "IMGSRC(" + Literal() + ")";
      case 14: return "SHIFTCSV(" + Expr(depth + 1) + ")";
      default: return "SORTCSV(" + Expr(depth + 1) + ")";
    }
  }
  std::string List() {
    switch (c_.Pick(9)) {
      case 0: return "@CLIP[POST]";
      case 1: return "@CLIP[ROW, " + Var() + "]";
      case 2: return "@INDEXLINK['*']";
      case 3: return "@WRAPSTR['<b>', '</b>']";
      case 4: return "@SPLIT[',', " + Var() + "]";
      case 5: return "@TOPICS[" + std::to_string(c_.Pick(5)) + "]";
      case 6: return "@LINES[" + Var() + "]";
      case 7: return "@CSV[" + Var() + "]";
      default: return "@IMGSRC['']";
    }
  }
  std::string Block(int depth) {
    std::string s = "BEGIN ";
    int n = 1 + static_cast<int>(c_.Pick(3));
    for (int i = 0; i < n; ++i) s += (i ? "; " : "") + Statement(depth + 1);
    return s + " END";
  }
  std::string Statement(int depth) {
    std::string v = Var() == "_" ? "a" : Var();
    if (v == "_") v = "b";
    switch (depth > 2 ? c_.Pick(6) : c_.Pick(30)) {
      case 0: return v + " := " + Expr(0);
      case 1: return "GET(" + Url() + (c_.Pick(2) ? ", 1)" : ")");
      case 2: return "PACK(0: " + Expr(1) + ", 1: " + Expr(1) + ", 2: " + Expr(1) + ", 3: " + Expr(1) + ")";
      case 3: return "n := PUTLOG(" + std::to_string(c_.Pick(2)) + ")";
      case 4: return "STRIP(" + v + ")";
      case 5: return "CLIP(POST)";
      case 6: return "IF " + Expr(1) + " = " + Expr(1) + " THEN " + Statement(depth + 1) + " ELSE " +
                     Statement(depth + 1);
      case 7: return "FOR i := 1 TO " + std::to_string(c_.Pick(4)) + " DO " + Block(depth);
      case 8: return "FOREACH e IN " + List() + " DO " + Block(depth);
      case 9: return "n := READLINK(" + Literal() + ")";
      case 10: return "n := SUBMIT(" + Literal() + ", " + Literal() + ")";
      case 11: return "n := HEAD(" + Url() + ")";
      case 12: return "n := DOWNLOAD(" + Url() + ", " + std::to_string(c_.Pick(4)) + ")";
      case 13: return "UNPACK(" + Expr(1) + ", 3: t, 7: b)";
      case 14: return "LOGDEL(" + Expr(1) + ")";
      case 15: return "LOGSORT(" + std::to_string(c_.Pick(6)) + ", " + std::to_string(c_.Pick(2)) + ")";
      case 16: return "s := DECODEURL(" + Expr(1) + ")";
      case 17: return "SAVEF(" + File() + ", " + v + ")";
      case 18: return "LOADF(" + File() + ")";
      case 19: return "DELETEFILE(" + File() + ")";
      case 20: return "RENAMEFILE(" + File() + ", " + File() + ", " + std::to_string(c_.Pick(2)) + ")";
      case 21: return "MESSAGE(" + Expr(1) + ")";
      case 22: return "n := INPUT('c', 'p', " + v + ")";
      case 23: return "CLIPBOARD(" + Expr(1) + ")";
      case 24: return "SLEEP(" + std::to_string(c_.Pick(3)) + ")";
      case 25: return "PRINT; TAGSTRIPSET('B:I', " + std::to_string(c_.Pick(11)) + ")";
      case 26: return "DECODEDATE(" + Expr(1) + ", a, b, n)";
      case 27: return "LOGREMOVE(" + Expr(1) + ", 0, " + Expr(1) + ", '')";
      case 28: return "PAGECLIP(" + Literal() + ", " + Literal() + ")";
      default: return "SHOWWINDOW(" + std::to_string(c_.Pick(6)) + ")";
    }
  }

  Choices& c_;
  const World& w_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  World& w = TheWorld();
  Choices c(data, size);
  std::string script = Generator(c, w).Script();
  app::TApplication& a = w.a;
  app::TKernel::Log(a).Clear();
  w.ui.calls.clear();
  // BQ_FUZZ_SHOW=1 prints each script and how it ended, to check that the
  // generator's scripts compile and run.
  static const bool show = std::getenv("BQ_FUZZ_SHOW") != nullptr;
  if (show) std::fprintf(stderr, "----\n%s", script.c_str());
  try {
    if (!app::TKernel::Engine(a).CompileScript(script, false)) return 0;
  } catch (const Exception& e) {
    if (show) std::fprintf(stderr, "compile: %s\n", e.what());
    return 0;
  }
  app::TKernel::Web(a).ResetStop();
  app::TKernel::Machine(a).ResetMachine();
  // Budget counts against the instructions executed since the machine was made.
  app::TKernel::Machine(a).Budget = app::TKernel::Machine(a).Executed + 20000;
  app::TKernel::Machine(a).MaxText = 1u << 20;
  try {
    a.RunScript();
    if (show) std::fprintf(stderr, "ran: %d articles, %llu instructions\n", app::TKernel::Log(a).Count(),
                           static_cast<unsigned long long>(app::TKernel::Machine(a).Executed));
  } catch (const Exception& e) {
    if (show) std::fprintf(stderr, "error: %s\n", e.what());
  }
  // DOWNLOAD with mode 2 keeps every copy; drop them so the folder stays small.
  std::string site = app::TKernel::Log(a).FolderPath();
  for (const auto& e : fs::ListDir(site))
    if (!e.isDir && e.name != "kvlnode.web" && e.name != "kvllog.dat") fs::DeleteFile(site + e.name);
  return 0;
}
