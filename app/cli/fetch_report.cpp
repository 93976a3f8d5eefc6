#include "app/cli/fetch_report.h"

#include "app/core/kernel.h"

#include <cstdio>

#include "app/cli/terminal.h"

namespace bq::cli {

namespace {

std::string Reason(const TPageReport& r) {
  if (!r.error.empty()) {
    std::string text = TerminalText(r.error);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
  }
  if (r.replyNo == 406 || r.replyNo == 0) return "no reply";
  return "HTTP " + std::to_string(r.replyNo);
}

}  // namespace

std::string FailureText(const TPageReport& r) {
  return std::string(r.operation) + " " + TerminalText(r.address) + ": " + Reason(r);
}

std::shared_ptr<FetchReportContext> ReportPageOperations(app::TApplication& a, bool verbose) {
  auto context = std::make_shared<FetchReportContext>();
  app::TKernel::Web(a).OnPageDone = [context, verbose](const TPageReport& r) {
    std::string where = context->folder.empty() ? std::string() : context->folder + ": ";
    if (verbose) {
      std::printf("%s%s %s %d %zu bytes %llu ms\n", where.c_str(), r.operation, TerminalText(r.address).c_str(),
                  r.replyNo, r.bytes, static_cast<unsigned long long>(r.ms));
      std::fflush(stdout);
    }
    if (r.Failed()) std::fprintf(stderr, "%sfetch failed: %s\n", where.c_str(), FailureText(r).c_str());
  };
  return context;
}

}  // namespace bq::cli
