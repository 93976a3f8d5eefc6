#pragma once
// TDataInfo: one article of a site folder's log, as the script's current
// article and the callers of the log hand it over and get it back whole.
// Inside the log articles are kept compactly (see article_store.h) and read
// without a copy through ArticleView.
#include <cstdint>
#include <string>
#include <string_view>

namespace bq {

// The numbers and flags of an article.
struct ArticleHead {
  // 0 for a thread root; set by the thread layout, 0 after a column sort and a load.
  std::int32_t Depth = 0;
  // For a thread root: the largest DATE in its thread.
  std::uint32_t ThreadKey = 0;
  bool Selected = false;

  // Persisted fields. TOPIC compares unsigned; REFER = 0 means not a reply.
  std::int32_t TOPIC = 0;
  std::int32_t REFER = 0;
  std::int32_t RESERVED = 0;
  std::uint32_t DATE = 0;
  bool Unread = false;
};

struct TDataInfo : ArticleHead {
  std::string TITLE;
  std::string AUTHOR;
  std::string MAILTO;
  std::string HP;
  std::string PAGEURL;
  std::string BODY;
  std::string HEAD;
  std::string HOST;
  std::string LINK;
};

// The nine texts of an article in the order of the log line.
enum TextField : int { kTitle = 0, kAuthor, kMailto, kHp, kPageUrl, kBody, kHead, kHost, kLink, kTextFields };

// A stored article read in place: the texts point into the log's own
// storage and stay valid until the log next changes (an append, a deletion,
// an overwrite, a sort, a load or a save that merged). An index out of
// range gives the empty article.
struct ArticleView : ArticleHead {
  std::string_view TITLE, AUTHOR, MAILTO, HP, PAGEURL, BODY, HEAD, HOST, LINK;

  std::string_view Text(int field) const;
  TDataInfo Copy() const;
};

// An article's identity: (TOPIC, REFER, DATE).
struct ArticleKey {
  std::uint32_t topic = 0, refer = 0, date = 0;
  bool operator==(const ArticleKey&) const = default;
};
inline ArticleKey KeyOf(const TDataInfo& a) {
  return {static_cast<std::uint32_t>(a.TOPIC), static_cast<std::uint32_t>(a.REFER), a.DATE};
}
inline ArticleKey KeyOf(const ArticleView& a) {
  return {static_cast<std::uint32_t>(a.TOPIC), static_cast<std::uint32_t>(a.REFER), a.DATE};
}
struct ArticleKeyHash {
  std::size_t operator()(const ArticleKey& k) const noexcept {
    std::uint64_t h = (static_cast<std::uint64_t>(k.topic) << 32) ^ k.refer;
    h ^= static_cast<std::uint64_t>(k.date) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return static_cast<std::size_t>(h);
  }
};

// The same persisted fields (Selected, Depth and ThreadKey aside).
bool SameArticle(const TDataInfo& a, const TDataInfo& b);

}  // namespace bq
