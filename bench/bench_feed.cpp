// The feed reader on the largest feeds a round takes: a 16 MB feed of long
// HTML items (the body cap) and a feed of 100,000 short items, read until the
// item cap ends it; and the memory the reading needs at most.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <string>

#include "feed/feed_reader.h"
#include "textlib/limits.h"

namespace bq {
namespace {

std::string Items(std::size_t count, std::size_t bodyBytes) {
  std::string feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel><title>bench</title>\n";
  std::string body;
  while (body.size() < bodyBytes) body += "&lt;p&gt;日本語の本文 text &amp;#x3042; &lt;b&gt;bold&lt;/b&gt;&lt;/p&gt;";
  for (std::size_t i = 0; i < count; ++i)
    feed += "<item><guid>id-" + std::to_string(i) + "</guid><title>記事 " + std::to_string(i) +
            "</title><link>http://example.com/" + std::to_string(i) + "</link><pubDate>Wed, 01 May 2024 00:00:00 GMT"
            "</pubDate><description>" + body + "</description></item>\n";
  return feed + "</channel></rss>\n";
}

void BM_FeedOf16MBOfHtmlItems(benchmark::State& state) {
  const std::string feed = Items(limits::kMaxFeedBody / 8200, 8000);
  std::size_t items = 0;
  for (auto _ : state) items = feed::ReadFeed(feed, "http://example.com/rss").items.size();
  state.counters["items"] = static_cast<double>(items);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * feed.size()));
}
BENCHMARK(BM_FeedOf16MBOfHtmlItems)->Unit(benchmark::kMillisecond);

void BM_FeedOf100000Items(benchmark::State& state) {
  const std::string feed = Items(100000, 40);
  std::size_t items = 0;
  for (auto _ : state) items = feed::ReadFeed(feed, "http://example.com/rss").items.size();
  state.counters["items"] = static_cast<double>(items);
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  state.counters["maxRssMB"] = static_cast<double>(u.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_FeedOf100000Items)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace bq
