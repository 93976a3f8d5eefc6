#pragma once
// Pages built by JavaScript: the document as headless Chromium renders it.
//
// One Chromium process (and the helpers it starts, all in one process
// group) per page, never two at once: started with a fresh profile in a
// temporary folder that is removed afterwards, so nothing of the user's own
// browser profile is read or written, and with the fetcher's proxy for the
// page's host (or none). Chromium runs the page's scripts for a virtual
// time budget and prints the finished document (UTF-8) on its standard
// output. The same budget bounds the real time: a page that keeps Chromium
// busy longer is ended there and fails. Between short waits the caller's
// poll runs (the event pump), and a cancel it reports kills the process
// group at once.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

namespace bq {

struct TRenderResult {
  bool ok = false;
  std::string html;   // the rendered document, UTF-8
  std::string error;  // why none came (Shift_JIS); empty when ok
};

class TPageRenderer {
 public:
  // Seconds a page may take, from the start of Chromium to its document.
  std::uint32_t BudgetSeconds = 15;
  // The program; empty: "chromium" looked up on PATH at each render.
  std::string Program;
  // Called with the process group while Chromium runs, about every 20 ms
  // (a benchmark samples the group's memory through it).
  std::function<void(pid_t)> OnWait;

  // Renders address; proxyHost empty means a direct connection. cancelled
  // is called between waits and pumps the caller's events; when it returns
  // true the process group is killed and the render fails with abortText.
  TRenderResult Render(const std::string& address, const std::string& proxyHost, int proxyPort,
                       const std::function<bool()>& cancelled, const std::string& abortText);
  // Renders done since this object was made (processes started).
  int Started() const { return started_; }

 private:
  int started_ = 0;
};

// The program file of name found on PATH; empty when there is none.
std::string FindOnPath(const std::string& name);

// The memory of every process of group pgid together, in kilobytes (from
// /proc): resident (shared pages counted in each process) and proportional
// (shared pages divided among their sharers).
struct TGroupMemory {
  std::uint64_t rssKb = 0, pssKb = 0;
};
TGroupMemory ProcessGroupMemory(pid_t pgid);

}  // namespace bq
