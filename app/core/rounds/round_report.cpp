#include "app/core/rounds/round_report.h"

#include "app/core/application.h"
#include "textlib/cp932.h"
#include "textlib/dates.h"

namespace bq::app {

void TRoundReport::BeginRound() {
  roundErrors_ = 0;
  roundFailures_ = 0;
  news_.clear();
}

void TRoundReport::AddError(const std::string& folder, const std::string& message, std::uint32_t time) {
  if (entries_.size() >= kMaxReportEntries) entries_.erase(entries_.begin());
  entries_.push_back({folder, message, time});
  ++roundErrors_;
}

void TRoundReport::AddFailure(const std::string& folder, const std::string& message, std::uint32_t time) {
  AddError(folder, message, time);
  --roundErrors_;
  ++roundFailures_;
}

void TRoundReport::AddUnread(const std::string& folder, int before, int after) {
  if (after > before) news_.push_back({folder, after - before});
}

void TRoundReport::Clear() {
  entries_.clear();
  BeginRound();
}

int TRoundReport::RoundNewCount() const {
  int n = 0;
  for (const auto& f : news_) n += f.count;
  return n;
}

std::string FolderDisplayName(const std::string& logRoot, const std::string& folder) {
  std::string rel = RelativeFolder(logRoot, folder);
  if (rel.empty()) return Utf8ToSjis("インターネット");
  if (rel.back() == '/') rel.pop_back();
  return rel;
}

NewsText NewArticlesNews(const std::string& logRoot, const std::vector<NewArticles>& news) {
  constexpr std::size_t kNamed = 5;
  int total = 0;
  for (const auto& f : news) total += f.count;
  if (total <= 0) return {};
  std::string names;
  for (std::size_t i = 0; i < news.size() && i < kNamed; ++i) {
    if (i > 0) names += Utf8ToSjis("、");
    names += FolderDisplayName(logRoot, news[i].folder);
  }
  if (news.size() > kNamed)
    names += Utf8ToSjis(" 他 ") + std::to_string(news.size() - kNamed) + Utf8ToSjis(" 件");
  return {Utf8ToSjis("新着記事"),
          Utf8ToSjis("新着記事が ") + std::to_string(total) + Utf8ToSjis(" 件あります\r\n") + names};
}

std::string PageFailureText(const TPageReport& r) {
  std::string reason = r.error;
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) reason.pop_back();
  if (reason.empty()) reason = r.replyNo == 406 || r.replyNo == 0 ? "no reply" : "HTTP " + std::to_string(r.replyNo);
  return std::string(r.operation) + " " + r.address + ": " + reason;
}

NewsText RoundErrorNews(int errors, int failures) {
  std::string text;
  if (errors > 0) text = Utf8ToSjis("巡回中に ") + std::to_string(errors) + Utf8ToSjis(" 件のエラーがありました");
  if (failures > 0) {
    if (!text.empty()) text += "\r\n";
    text += Utf8ToSjis("取得に失敗: ") + std::to_string(failures) + Utf8ToSjis(" 件");
  }
  if (text.empty()) return {};
  return {Utf8ToSjis("巡回レポート"), text};
}

std::string FailureCountText(int failures) {
  if (failures <= 0) return {};
  return Utf8ToSjis("取得失敗: ") + std::to_string(failures) + Utf8ToSjis(" 件");
}

std::string EmptyReportText() { return Utf8ToSjis("エラーはありません"); }

std::string ReportTime(std::uint32_t time) { return DisplayDateTime(time); }

}  // namespace bq::app
