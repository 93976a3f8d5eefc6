#pragma once
// The round report: what a round by hand or on the schedule met on its way.
//
// A folder's error is written here instead of into a message box, so an
// unattended scheduled round never waits for a click; the desktop shows the
// report without blocking and tells of the errors in the tray at the round's
// end. The report also counts the new unread articles per folder, which the
// news of new articles names. Entries of earlier rounds stay (newest last)
// until the report is cleared, up to a fixed number.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bq {
struct TPageReport;
}

namespace bq::app {

inline constexpr std::size_t kMaxReportEntries = 1000;

struct RoundReportEntry {
  std::string folder;   // full path of the site folder (Shift_JIS)
  std::string message;  // the error text (Shift_JIS)
  std::uint32_t time = 0;
};

struct NewArticles {
  std::string folder;
  int count = 0;
};

class TRoundReport {
 public:
  // A new round starts: its error and news counts start from zero.
  void BeginRound();
  void AddError(const std::string& folder, const std::string& message, std::uint32_t time);
  // A failed page operation: a line of the report like an error, counted
  // apart (the status bar and the tray name the failed fetches).
  void AddFailure(const std::string& folder, const std::string& message, std::uint32_t time);
  // Unread counts of one folder before and after its run.
  void AddUnread(const std::string& folder, int before, int after);
  void Clear();

  const std::vector<RoundReportEntry>& Entries() const { return entries_; }
  int RoundErrors() const { return roundErrors_; }
  int RoundFailures() const { return roundFailures_; }
  const std::vector<NewArticles>& RoundNews() const { return news_; }
  int RoundNewCount() const;

 private:
  std::vector<RoundReportEntry> entries_;
  std::vector<NewArticles> news_;
  int roundErrors_ = 0;
  int roundFailures_ = 0;
};

// A failed page operation as the report and the CLI word it (Shift_JIS):
// "GET http://h/x: HTTP 404", the fetcher's reason when it gave one, "no
// reply" when nothing came.
std::string PageFailureText(const TPageReport& r);

// A folder's name in the report and the news: its path below the log root
// without the last separator, "インターネット" for the log root (Shift_JIS).
std::string FolderDisplayName(const std::string& logRoot, const std::string& folder);

// The tray notification after a round with new unread articles: the title
// "新着記事" and a text naming the count and at most five folders, then
// "他 N 件" for the rest. Empty texts when nothing new arrived.
struct NewsText {
  std::string title;
  std::string text;
};
NewsText NewArticlesNews(const std::string& logRoot, const std::vector<NewArticles>& news);

// The tray message at the end of a round that met errors or failed fetches
// ("取得に失敗: N 件"); empty when none.
NewsText RoundErrorNews(int errors, int failures = 0);

// The status bar's count of the failed fetches of the last fetch or round
// ("取得失敗: N 件"); empty when none failed.
std::string FailureCountText(int failures);

// What the report shows while it holds no line.
std::string EmptyReportText();

// The report's time column: "HH:MM:SS" on the day, with the date before it.
std::string ReportTime(std::uint32_t time);

}  // namespace bq::app
