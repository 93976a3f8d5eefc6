#pragma once
// TArticleStore: the articles of one log, kept compactly, with what changed
// since the log was loaded or saved.
//
// Texts live in few large blocks: the loaded file's own bytes and an arena
// for articles stored or overwritten since. An article is a fixed record of
// numbers, flags and one pointer to its nine texts lying back to back; a
// text is copied only when the article is stored or overwritten. A loaded
// article's texts stay as the file wrote them until one of them is first
// read: then the line is decoded where it stands (see log_file.h), so
// opening a folder costs a pass over its lines and their numbers, not over
// every text. Records are never moved: the display order is a list of
// record ids, so sorting moves four bytes per article and an id stays an
// article's name for as long as the store lives.
//
// Every record also says what this process did to it since the load or the
// last save (stored, overwritten, read mark changed, deleted); a deleted
// record stays, out of the display order, until then. That is what lets a
// save merge its own changes into a file another program changed meanwhile.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "logstore/data_info.h"
#include "platform/fs.h"
#include "platform/pages.h"

namespace bq {

// Arrays with an entry per article, on pages of their own.
template <typename T>
using ArticleArray = std::vector<T, PageAllocator<T>>;
using IdList = ArticleArray<std::uint32_t>;

class TArticleStore {
 public:
  // What this process did to a record since the load or the last save.
  enum Change : std::uint8_t {
    kAdded = 1,     // stored by AddItem (not read from the file)
    kReplaced = 2,  // overwritten by AddItem
    kMarked = 4,    // Unread set by the user or a command
    kDeleted = 8,   // deleted (the record is out of the order)
  };

  struct Record {
    // The nine texts back to back; while `written`, the line's texts as the
    // file has them, end[kLink] bytes long (read through the store only).
    const char* text = nullptr;
    std::uint32_t end[kTextFields] = {};
    std::int32_t TOPIC = 0, REFER = 0, RESERVED = 0;
    std::uint32_t DATE = 0;
    std::uint32_t ThreadKey = 0;
    std::int32_t Depth = 0;
    bool Unread : 1 = false;
    bool Selected : 1 = false;
    bool live : 1 = true;  // in the display order
    bool written : 1 = false;
    std::uint8_t changes = 0;

    ArticleKey Key() const {
      return {static_cast<std::uint32_t>(TOPIC), static_cast<std::uint32_t>(REFER), DATE};
    }
  };

  TArticleStore() = default;
  TArticleStore(TArticleStore&&) noexcept = default;
  TArticleStore& operator=(TArticleStore&&) noexcept = default;
  TArticleStore(const TArticleStore&) = delete;
  TArticleStore& operator=(const TArticleStore&) = delete;

  // Replaces everything by the lines of a file read whole into file (which
  // the store keeps); convertLink maps a LINK as written to its form in
  // memory and returns false when it stays as it is. A non-numeric number
  // raises ConvertError with the lines before it loaded.
  // The converter is kept for the texts decoded later.
  using LinkConverter = std::function<bool(std::string_view written, std::string& converted)>;
  void Load(fs::ByteBlock file, LinkConverter convertLink);
  void Clear();

  // Display order.
  std::size_t Count() const { return order_.size(); }
  std::uint32_t IdAt(std::size_t index) const { return order_[index]; }
  const Record& At(std::size_t index) const { return records_[order_[index]]; }
  Record& At(std::size_t index) { return records_[order_[index]]; }
  // Every record ever held since the load, the deleted ones too, by id.
  std::size_t RecordCount() const { return records_.size(); }
  const Record& ById(std::uint32_t id) const { return records_[id]; }
  Record& ById(std::uint32_t id) { return records_[id]; }
  // The index of a live record in the display order.
  int IndexOf(std::uint32_t id) const;
  // A record's texts, decoded at the first read; valid until the store
  // next changes (reading other texts is no change).
  std::string_view Text(std::uint32_t id, int field) const;
  ArticleView View(std::uint32_t id) const;

  // Appends a copy of the article (texts into the arena) at the end.
  // (A view's Selected and Depth are not taken.)
  std::uint32_t Append(const TDataInfo& a, std::uint8_t changes);
  std::uint32_t Append(const ArticleView& a, std::uint8_t changes);
  // Gives the record the article's numbers and texts (its identity stays
  // what it was; the caller looked it up by that identity).
  void Replace(std::uint32_t id, const TDataInfo& a);
  void Replace(std::uint32_t id, const ArticleView& from);
  // Deletes the records at the indices for which drop holds.
  bool EraseIf(const std::function<bool(const Record&)>& drop);

  // The first index in display order with the identity; -1 when none.
  int FindKey(const ArticleKey& key) const;
  // Every live record with the identity, in no particular order.
  void ForEachWithKey(const ArticleKey& key, const std::function<void(std::uint32_t id)>& visit) const;

  // A new display order (a permutation of the live ids).
  void SetOrder(IdList order);
  const IdList& Order() const { return order_; }
  // Forgets every change: what is in memory now is what is on disk.
  void ForgetChanges();
  bool HasChanges() const;

 private:
  std::uint32_t Push(const ArticleHead& a, const std::string_view (&texts)[kTextFields], std::uint8_t changes);
  void Overwrite(std::uint32_t id, const ArticleHead& a, const std::string_view (&texts)[kTextFields]);
  const char* StoreTexts(const std::string_view (&texts)[kTextFields], std::uint32_t (&end)[kTextFields]);
  void Decode(Record& r);
  void IndexAdd(std::uint32_t id);
  void BuildIndex() const;
  void BuildPositions() const;

  fs::ByteBlock file_;
  LinkConverter convertLink_;
  std::vector<std::unique_ptr<char[]>> arena_;
  std::size_t arenaUsed_ = 0, arenaSize_ = 0;
  ArticleArray<Record> records_;
  IdList order_;
  // Open addressing over record ids, keyed by identity; built at the first
  // lookup (a folder opened only to be read never needs it).
  mutable IdList slots_;
  mutable bool indexValid_ = false;
  // Record id -> display index, rebuilt after the order changed.
  mutable IdList positions_;
  mutable bool positionsValid_ = false;
};

}  // namespace bq
