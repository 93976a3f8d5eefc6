// Feed folders: the fetch of a feed (conditional, with the page that names
// it followed once), its items stored as articles, the last reply kept for
// the properties dialog, and a new folder made from an address.
#include "app/core/feeds/feed_folder.h"

#include <unordered_map>
#include <unordered_set>

#include "app/core/application.h"
#include "app/core/rounds/folder_cookies.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "textlib/cp932.h"
#include "textlib/csv.h"
#include "textlib/limits.h"

namespace bq::app {

bool IsFeedFolder(const TFolderInfo& folder) { return folder.Extension(kFeedOption) == "1"; }

void SetFeedAddress(TFolderInfo& folder, const std::string& address) {
  if (folder.SiteUrl != address || !IsFeedFolder(folder)) {
    for (std::string_view found : {kFeedUrlOption, kFeedETagOption, kFeedModifiedOption})
      folder.SetExtension(found, {});
  }
  folder.SiteUrl = address;
  folder.SetExtension(kFeedOption, "1");
}

std::string FeedAddress(const TFolderInfo& folder) {
  std::string found = folder.Extension(kFeedUrlOption);
  return found.empty() ? folder.SiteUrl : found;
}

bool UpdatesTurnUnread(const TFolderInfo& folder) { return folder.Extension(kFeedUpdateUnreadOption) == "1"; }

std::string FeedReplyText(const TFolderInfo& folder) {
  const std::string checked = folder.Extension(kFeedCheckedOption);
  if (checked.empty()) return {};
  const Date when = static_cast<Date>(std::strtoul(checked.c_str(), nullptr, 10));
  const std::string status = folder.Extension(kFeedStatusOption);
  std::string text = DisplayDateTime(when) + "  ";
  text += status.empty() || status == "406" ? Utf8ToSjis("応答なし") : "HTTP " + status;
  const std::string result = folder.Extension(kFeedResultOption);
  if (!result.empty()) text += ": " + result;
  return text;
}

namespace {

// FeedSeen holds the topics of a few thousand items at most.
constexpr std::size_t kMaxSeenText = 64 * 1024;

std::unordered_set<std::int32_t> SeenTopics(std::string_view text) {
  std::unordered_set<std::int32_t> topics;
  for (const std::string& field : CommaSplit(text)) {
    const std::int64_t topic = LenientInteger(field);
    if (topic > 0 && topic <= INT32_MAX) topics.insert(static_cast<std::int32_t>(topic));
  }
  return topics;
}

}  // namespace

std::int32_t FeedTopic(std::string_view id) {
  std::uint32_t h = 2166136261u;
  for (char c : id) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  h &= 0x7FFFFFFFu;
  return h == 0 ? 1 : static_cast<std::int32_t>(h);
}

FeedStoreCount StoreFeedItems(TScrapList& log, const std::vector<feed::FeedItem>& items, const std::string& pageUrl,
                              bool unreadOnUpdate) {
  FeedStoreCount count;
  std::unordered_map<std::int32_t, const std::string*> taken;  // topics of this fetch and their ids
  const std::unordered_set<std::int32_t> seenBefore = SeenTopics(log.Folder.Extension(kFeedSeenOption));
  std::string seen;
  for (const feed::FeedItem& item : items) {
    std::int32_t topic = FeedTopic(item.id);
    // Two ids of one feed that draw the same number: the later takes the
    // next free one (stable while the feed keeps its order).
    for (int guard = 0; guard < 64; ++guard) {
      auto it = taken.find(topic);
      if (it == taken.end() || *it->second == item.id) break;
      topic = topic == INT32_MAX ? 1 : topic + 1;
    }
    if (!taken.emplace(topic, &item.id).second) continue;  // the same item twice in one feed
    if (seen.size() < kMaxSeenText) {
      if (!seen.empty()) seen += ',';
      seen += std::to_string(topic);
    }
    TDataInfo a;
    a.TOPIC = topic;
    a.DATE = item.date;
    a.TITLE = item.title;
    a.AUTHOR = item.author;
    a.BODY = item.body;
    a.LINK = item.link;
    a.PAGEURL = pageUrl;
    a.Unread = true;
    const int at = log.IndexOfTopic(topic);
    if (at < 0) {
      if (!seenBefore.count(topic) && log.AddItem(a, false) >= 0) ++count.added;
      continue;
    }
    const TDataInfo old = log.GetItem(at);
    if (old.TITLE == a.TITLE && old.AUTHOR == a.AUTHOR && old.BODY == a.BODY && old.LINK == a.LINK &&
        old.DATE == a.DATE && old.PAGEURL == a.PAGEURL && old.REFER == 0)
      continue;
    a.Unread = unreadOnUpdate || old.Unread;
    if (KeyOf(old) == KeyOf(a)) {
      log.AddItem(a, true);
    } else {
      log.RemoveItem(old);
      log.AddItem(a, false);
    }
    ++count.updated;
  }
  log.Folder.SetExtension(kFeedSeenOption, seen);
  return count;
}

std::string FeedFolderName(std::string_view title) {
  std::string out;
  for (std::size_t i = 0; i < title.size() && out.size() < 96;) {
    const unsigned char c = static_cast<unsigned char>(title[i]);
    if (IsLeadByte(c) && i + 1 < title.size()) {
      if (out.size() + 2 > 96) break;
      out.append(title.substr(i, 2));
      i += 2;
      continue;
    }
    const bool bad = c < 0x20 || c == 0x7F || std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos;
    out += bad ? '_' : static_cast<char>(c);
    ++i;
  }
  std::size_t b = 0;
  while (b < out.size() && (out[b] == ' ' || out[b] == '.')) ++b;
  out.erase(0, b);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out.empty() ? Utf8ToSjis("フィード") : out;
}

std::string UniqueFolderName(const std::string& parent, const std::string& name) {
  const std::string dir = fs::IncludeTrailingSeparator(parent);
  std::string candidate = name;
  for (int n = 2; n < 10000 && (fs::DirectoryExists(dir + candidate) || fs::FileExists(dir + candidate)); ++n)
    candidate = name + " (" + std::to_string(n) + ")";
  return candidate;
}

namespace {

struct FeedFetch {
  FeedRunResult result;
  feed::Feed feed;
  std::string etag, modified;
};

void Report(TWebAccess& web, const TRawReply& raw, const std::string& address, std::uint64_t start,
            const std::string& error) {
  if (!web.OnPageDone) return;
  TPageReport r;
  r.operation = "GET";
  r.address = address;
  r.replyNo = raw.status;
  r.bytes = raw.body.size();
  r.ms = TickCount64() - start;
  r.error = error;
  web.OnPageDone(r);
}

// Fetches the feed at address; when it is not known yet to be the feed,
// a page in its place is searched for the feed it names, which is fetched
// once. Every request is told to OnPageDone, a feed's fault as a failure.
FeedFetch Fetch(TWebAccess& web, std::string address, bool known, const std::string& etag, const std::string& modified) {
  FeedFetch f;
  FeedRunResult& r = f.result;
  std::vector<std::string> headers;
  if (known && !etag.empty()) headers.push_back("If-None-Match: " + etag);
  if (known && !modified.empty()) headers.push_back("If-Modified-Since: " + modified);
  std::string pageAddress;
  for (int hop = 0; hop < 2; ++hop) {
    const std::uint64_t start = TickCount64();
    TRawReply raw = web.GetRaw(address, headers, limits::kMaxFeedBody);
    r.status = raw.status;
    r.feedUrl = address;
    if (raw.status == 304) {
      Report(web, raw, address, start, {});
      return f;
    }
    if (!raw.error.empty() && raw.body.empty()) {
      r.error = raw.error;
      Report(web, raw, address, start, r.error);
      return f;
    }
    if (raw.status < 200 || raw.status > 299) {
      r.error = "HTTP " + std::to_string(raw.status);
      Report(web, raw, address, start, {});
      return f;
    }
    if (hop == 0 && !known && !feed::LooksLikeFeed(raw.body)) {
      const std::string link = feed::FindFeedLink(raw.body, raw.url);
      if (link.empty()) {
        r.error = Utf8ToSjis("フィードが見つかりません: RSS でも Atom でもなく、<link rel=\"alternate\"> でフィードを示すページでもありません");
        Report(web, raw, address, start, r.error);
        return f;
      }
      Report(web, raw, address, start, {});
      pageAddress = address;
      address = link;
      headers.clear();
      continue;
    }
    f.feed = feed::ReadFeed(raw.body, raw.url);
    r.items = static_cast<int>(f.feed.items.size());
    r.title = f.feed.title;
    r.page = f.feed.link.empty() ? pageAddress : f.feed.link;
    if (raw.cut) {
      r.error = Utf8ToSjis("フィードが大きすぎます: 最初の " + std::to_string(limits::kMaxFeedBody >> 20) +
                           " MB だけを読みました");
    } else {
      r.error = !f.feed.error.empty() ? f.feed.error : raw.error;
    }
    if (r.error.empty()) {
      f.etag = raw.etag;
      f.modified = raw.lastModified;
    }
    Report(web, raw, address, start, r.error);
    return f;
  }
  return f;
}

void RecordReply(TFolderInfo& folder, const FeedRunResult& r) {
  folder.SetExtension(kFeedCheckedOption, std::to_string(NowDate()));
  folder.SetExtension(kFeedStatusOption, std::to_string(r.status));
  std::string result = r.error;
  if (result.empty() && r.status == 304) result = Utf8ToSjis("変更なし");
  if (result.empty())
    result = Utf8ToSjis(std::to_string(r.items) + " 件 (新着 " + std::to_string(r.stored.added) + ", 更新 " +
                        std::to_string(r.stored.updated) + ")");
  folder.SetExtension(kFeedResultOption, result);
}

// What a fetch found goes into the definition: the feed's address, title
// and site, and the validators of a whole reply.
void TakeFound(TFolderInfo& folder, const FeedFetch& fetched) {
  const FeedRunResult& r = fetched.result;
  if (fetched.feed.isFeed) {
    folder.SetExtension(kFeedUrlOption, r.feedUrl);
    if (!r.title.empty()) folder.SetExtension(kFeedTitleOption, r.title);
    if (!r.page.empty()) folder.SetExtension(kFeedPageOption, r.page);
  }
  if (r.status >= 200 && r.status <= 299) {
    folder.SetExtension(kFeedETagOption, fetched.etag);
    folder.SetExtension(kFeedModifiedOption, fetched.modified);
  }
}

}  // namespace

FeedRunResult TApplication::RunFeed() {
  ApplyRunSettings();
  TFolderInfo& folder = Log.Folder;
  TFolderCookies cookies(Web, folder, Log.FolderPath());
  const std::string found = folder.Extension(kFeedUrlOption);
  Status.SetPanel(2, FeedAddress(folder));
  auto stamp = [this] {
    Log.Folder.LastRound = NowDate();
    Log.SaveNode();
  };
  FeedFetch fetched;
  try {
    fetched = Fetch(Web, FeedAddress(folder), !found.empty(), folder.Extension(kFeedETagOption),
                    folder.Extension(kFeedModifiedOption));
  } catch (...) {
    stamp();
    cookies.SaveQuietly();
    throw;
  }
  FeedRunResult& r = fetched.result;
  TakeFound(folder, fetched);
  if (fetched.feed.isFeed) r.stored = StoreFeedItems(Log, fetched.feed.items, r.feedUrl, UpdatesTurnUnread(folder));
  RecordReply(folder, r);
  stamp();
  cookies.Save();
  return r;
}

TApplication::NewFeedFolder TApplication::AddFeedFolder(const std::string& parent, const std::string& address) {
  NewFeedFolder out;
  Web.ResetStop();
  ApplyRunSettings();
  FeedFetch fetched = Fetch(Web, address, false, {}, {});
  out.run = fetched.result;
  if (!fetched.feed.isFeed) {
    if (out.run.error.empty()) out.run.error = Utf8ToSjis("RSS でも Atom でもありません");
    return out;
  }
  const std::string dir = fs::IncludeTrailingSeparator(parent);
  const std::string name = UniqueFolderName(dir, FeedFolderName(out.run.title));
  const std::string path = dir + name + "/";
  if (!fs::ForceDirectories(path) || !Log.OpenFolder(path)) {
    out.run.error = "Cannot create " + name;
    return out;
  }
  out.path = path;
  TFolderInfo& folder = Log.Folder;
  SetFeedAddress(folder, address);
  folder.RoundTarget = true;
  TakeFound(folder, fetched);
  out.run.stored = StoreFeedItems(Log, fetched.feed.items, out.run.feedUrl, false);
  RecordReply(folder, out.run);
  folder.LastRound = NowDate();
  Log.SaveNode();
  SortByDefaultOrder();
  Log.SaveLog();
  return out;
}

}  // namespace bq::app
