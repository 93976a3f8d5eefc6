// The feed reader on arbitrary bytes: it ends (the limits hold), every item
// is within them, and the page scanner and the feed sniffer take the same
// bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "feed/feed_reader.h"
#include "textlib/limits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const bq::feed::Feed feed = bq::feed::ReadFeed(bytes, "http://example.com/feed/index.rdf");
  if (feed.items.size() > bq::limits::kMaxFeedItems) std::abort();
  for (const auto& item : feed.items) {
    // A field's text is capped, between characters, before it becomes
    // Shift_JIS, and plain text on one line never grows from there.
    if (item.author.size() > bq::limits::kMaxFeedField) std::abort();
    if (item.id.empty() && !(item.title.empty() && item.body.empty() && item.link.empty())) std::abort();
  }
  // A document that is read whole and is no feed says why.
  if (!feed.isFeed && feed.error.empty()) std::abort();
  (void)bq::feed::LooksLikeFeed(bytes);
  (void)bq::feed::FindFeedLink(bytes, "http://example.com/");
  return 0;
}
