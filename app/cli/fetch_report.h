#pragma once
// Telling the user about the page operations of a run. The page operations
// swallow failures for the script (which decides what to do with an empty
// page), so the runner reports them: one stderr line per failed operation,
// and with --verbose one stdout line per page fetched.
#include <memory>
#include <string>

#include "app/core/application.h"

namespace bq::cli {

// Where the lines of a round say which folder they belong to: the reporter
// puts it before each line while it is set.
struct FetchReportContext {
  std::string folder;  // terminal text, e.g. "news/"
};

// Installs the reporter on the application's fetcher; the returned context
// lives as long as the reporter does.
std::shared_ptr<FetchReportContext> ReportPageOperations(app::TApplication& a, bool verbose);

// "GET http://h/x: HTTP 404" and the like (terminal text, no line break).
std::string FailureText(const TPageReport& r);

}  // namespace bq::cli
