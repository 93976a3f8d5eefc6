#include "app/cli/fetch_report.h"

#include "app/core/kernel.h"
#include "app/core/rounds/round_report.h"

#include <cstdio>

#include "app/cli/terminal.h"

namespace bq::cli {

std::string FailureText(const TPageReport& r) { return TerminalText(app::PageFailureText(r)); }

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
