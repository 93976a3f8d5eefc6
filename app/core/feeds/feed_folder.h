#pragma once
// Feed folders: site folders that read an RSS or Atom feed instead of
// running a script. Their options are node file lines after line 16
// ("Name=value"), so readers of the 16-line format see a folder whose
// script is the default one:
//   Feed=1              the folder reads a feed; SiteUrl is the address the
//                       user gave: the feed, or a page naming it
//   FeedUrl=...         the feed's address, found on the first fetch
//   FeedTitle=, FeedPage=  the feed's title and the site it belongs to
//   FeedETag=, FeedModified=  the validators of the last whole reply, sent
//                       back as If-None-Match / If-Modified-Since
//   FeedChecked=, FeedStatus=, FeedResult=  the last reply: when, its
//                       status (406: none came) and what it came to
//   FeedUpdateUnread=1  an item that changed turns unread again
//   FeedSeen=t,t,...    the topics of the items the last feed read held: one
//                       of them that the log no longer has was deleted, and
//                       the next reads do not store it again
// Each item becomes an article: TOPIC a number drawn from its id (guid or
// atom:id, else its link), so read marks and identity hold across rounds;
// the same item is not stored twice, and a changed one replaces its article.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "feed/feed_reader.h"
#include "logstore/folder_info.h"
#include "logstore/scrap_list.h"
#include "textlib/dates.h"

namespace bq::app {

inline constexpr std::string_view kFeedOption = "Feed";
inline constexpr std::string_view kFeedUrlOption = "FeedUrl";
inline constexpr std::string_view kFeedTitleOption = "FeedTitle";
inline constexpr std::string_view kFeedPageOption = "FeedPage";
inline constexpr std::string_view kFeedETagOption = "FeedETag";
inline constexpr std::string_view kFeedModifiedOption = "FeedModified";
inline constexpr std::string_view kFeedCheckedOption = "FeedChecked";
inline constexpr std::string_view kFeedStatusOption = "FeedStatus";
inline constexpr std::string_view kFeedResultOption = "FeedResult";
inline constexpr std::string_view kFeedUpdateUnreadOption = "FeedUpdateUnread";
inline constexpr std::string_view kFeedSeenOption = "FeedSeen";

bool IsFeedFolder(const TFolderInfo& folder);
// Makes the definition a feed folder's reading address: SiteUrl, Feed=1;
// what was found for an earlier address is forgotten.
void SetFeedAddress(TFolderInfo& folder, const std::string& address);
// The address a round fetches: the feed found, else the address given.
std::string FeedAddress(const TFolderInfo& folder);
bool UpdatesTurnUnread(const TFolderInfo& folder);

// The last reply as the properties dialog shows it (Shift_JIS), e.g.
// "2025/01/02 03:04:05  HTTP 200: 20 件 (新着 3, 更新 1)"; empty before the
// first fetch.
std::string FeedReplyText(const TFolderInfo& folder);

// The topic number of an item id: 1 .. 2^31-1, the same for the same id.
std::int32_t FeedTopic(std::string_view id);

struct FeedStoreCount {
  int added = 0;
  int updated = 0;
};
// Stores the items through the log's add and replace path: a new item is
// appended unread; an item whose article differs replaces it (unread again
// when unreadOnUpdate, else keeping its mark); an unchanged one is left; one
// the last read held whose article is gone (deleted) stays away. The items'
// topics become the folder's FeedSeen. pageUrl goes into every article's
// PAGEURL.
FeedStoreCount StoreFeedItems(TScrapList& log, const std::vector<feed::FeedItem>& items, const std::string& pageUrl,
                              bool unreadOnUpdate);

// What one fetch of a feed folder came to.
struct FeedRunResult {
  int status = 406;          // of the last reply (304: not modified)
  std::string feedUrl;       // the feed's address
  std::string title, page;   // the feed's title and site
  int items = 0;             // items read
  FeedStoreCount stored;
  std::string error;         // why the feed was not read whole (Shift_JIS); empty when it was
};

// A name for a folder made from a feed title (Shift_JIS): no separators or
// control characters, at most 96 bytes, "フィード" when nothing is left.
std::string FeedFolderName(std::string_view title);
// name, else "name (2)", "name (3)" ...: the first that no entry of parent has.
std::string UniqueFolderName(const std::string& parent, const std::string& name);

}  // namespace bq::app
