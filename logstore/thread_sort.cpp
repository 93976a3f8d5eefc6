// Sorting the article log: column sorts and the thread order.
//
// Thread order: roots (REFER = 0) keep their relative order; replies are
// attached in ascending TOPIC order to the first article whose TOPIC equals
// their REFER (top-level articles only, or the whole forest depth-first when
// TreeView is set); a reply whose parent is not found becomes a top-level
// article at the head of the chain. Threads are laid out by the largest DATE
// in them, each followed by its replies in pre-order; the replies whose parent
// was not found follow all threads, in the order they arrived (ascending
// TOPIC), each with what was attached to it.
//
// Everything is iterative and indexed: a reply chain as deep as the log is
// long is laid out without recursion, and finding a parent is a hash lookup
// (a literal search in the stated order is kept for the rare TOPIC that
// occurs more than once).
#include <algorithm>
#include <limits>

#include "logstore/flat_map.h"
#include "logstore/place_index.h"
#include "logstore/scrap_list.h"
#include "platform/compare.h"

namespace bq {
namespace {

using Record = TArticleStore::Record;

int CompareUnsigned(std::uint32_t a, std::uint32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }
std::uint32_t U(std::int32_t v) { return static_cast<std::uint32_t>(v); }

constexpr int kSeveral = -2;
constexpr int kNone = -1;

// TOPIC -> node. A board counts its topic numbers up, so they usually lie
// close together: then a plain table indexed by TOPIC, whose lookups follow
// the log's own order through memory; else a hash map.
class TopicTable {
 public:
  TopicTable(std::uint32_t lo, std::uint32_t hi, std::size_t n)
      : lo_(lo), dense_(hi >= lo && hi - lo < 4 * n + 1024) {
    if (dense_) {
      table_.assign(static_cast<std::size_t>(hi - lo) + 1, kFree);
    } else {
      map_ = FlatMap(n);
    }
  }
  // The value for a TOPIC of the log, inserted as `fresh` when missing.
  std::int32_t& Slot(std::uint32_t topic, std::int32_t fresh) {
    if (!dense_) return map_.Slot(topic, fresh);
    std::int32_t& v = table_[topic - lo_];
    if (v == kFree) v = fresh;
    return v;
  }
  const std::int32_t* Find(std::uint32_t topic) const {
    if (!dense_) return map_.Find(topic);
    if (topic < lo_ || topic - lo_ >= table_.size()) return nullptr;
    const std::int32_t& v = table_[topic - lo_];
    return v == kFree ? nullptr : &v;
  }

 private:
  static constexpr std::int32_t kFree = std::numeric_limits<std::int32_t>::min();
  std::uint32_t lo_;
  bool dense_;
  ArticleArray<std::int32_t> table_;
  FlatMap map_;
};

}  // namespace

// The forest built by the thread order, over node ids = places in the list
// before the sort. What the layout reads and writes of each article is
// copied into flat arrays by node id first and written back at the end, so
// the walks touch a few megabytes rather than the records; children are
// linked lists (first, next, last, parent), and a reply arriving in date
// order (the usual case) is linked at the end, or the head, without a walk.
class ThreadLayout {
 public:
  ThreadLayout(TArticleStore& store, bool treeView, bool newestFirst, bool descending)
      : store_(store), ids_(store.Order()), n_(ids_.size()), treeView_(treeView), newestFirst_(newestFirst),
        descending_(descending), topic_(n_), refer_(n_), date_(n_), key_(n_), depth_(n_), first_(n_, kNone),
        next_(n_, kNone), last_(n_, kNone), parent_(n_, kNone), top_(n_, kNone), allDated_(n_, 1),
        byTopic_(TopicsOf(store, ids_, topic_, refer_, date_)) {}

  void Run() {
    // Ascending TOPIC, the later place first among equal ones: the order the
    // replies have always been attached in.
    ArticleArray<std::uint64_t> replies;
    for (std::size_t i = n_; i-- > 0;) {
      if (refer_[i] != 0) replies.push_back(static_cast<std::uint64_t>(topic_[i]) << 32 | i);
    }
    for (std::size_t i = 0; i < n_; ++i) {
      if (refer_[i] != 0) continue;
      key_[i] = date_[i];
      roots_.push_back(static_cast<int>(i));
      top_[i] = static_cast<int>(i);
      Register(static_cast<int>(i));
    }
    StableSortByHigh32(replies);
    for (std::uint64_t r : replies) Attach(static_cast<int>(r & 0xFFFFFFFFu));
    SortRoots();
    IdList order = Emit();
    for (std::size_t i = 0; i < n_; ++i) {
      Record& a = store_.ById(ids_[i]);
      a.Depth = depth_[i];
      a.ThreadKey = key_[i];
    }
    store_.SetOrder(std::move(order));  // ids_ is the old order until here
  }

 private:
  std::size_t Z(int id) const { return static_cast<std::size_t>(id); }

  void Register(int id) {
    std::int32_t& slot = byTopic_.Slot(topic_[Z(id)], id);
    if (slot != id) slot = kSeveral;
  }

  // The next node after `node` in pre-order within the tree of `head`, or kNone.
  int NextInTree(int node, int head) const {
    if (first_[Z(node)] != kNone) return first_[Z(node)];
    while (node != head && next_[Z(node)] == kNone) node = parent_[Z(node)];
    return node == head ? kNone : next_[Z(node)];
  }

  // The top-level articles in chain order: the latest orphan first, then the roots.
  template <typename Visit>
  int WalkChain(Visit visit) {
    for (auto o = orphans_.rbegin(); o != orphans_.rend(); ++o) {
      if (int f = visit(*o); f >= 0) return f;
    }
    for (int r : roots_) {
      if (int f = visit(r); f >= 0) return f;
    }
    return kNone;
  }

  // The stated search, for a TOPIC that occurs more than once.
  int LiteralSearch(std::uint32_t refer) {
    return WalkChain([&](int t) {
      if (topic_[Z(t)] == refer) return t;
      if (!treeView_) return kNone;
      for (int c = first_[Z(t)]; c != kNone; c = NextInTree(c, t))
        if (topic_[Z(c)] == refer) return c;
      return kNone;
    });
  }

  int FindParent(std::uint32_t refer) {
    const std::int32_t* found = byTopic_.Find(refer);
    if (!found) return kNone;
    return *found == kSeveral ? LiteralSearch(refer) : *found;
  }

  void Attach(int r) {
    const int parent = FindParent(refer_[Z(r)]);
    if (parent < 0) {
      orphans_.push_back(r);
      top_[Z(r)] = r;
      key_[Z(r)] = date_[Z(r)];
      Register(r);
      return;
    }
    InsertChild(parent, r);
    const int top = top_[Z(parent)];
    top_[Z(r)] = top;
    key_[Z(top)] = std::max(key_[Z(top)], date_[Z(r)]);
    if (treeView_) Register(r);
  }

  // x comes before y among the children of one parent (earlier first).
  bool Earlier(int x, int y) const {
    if (date_[Z(x)] != 0 && date_[Z(y)] != 0) return date_[Z(x)] < date_[Z(y)];
    return topic_[Z(x)] < topic_[Z(y)];
  }

  // Oldest first (a tie after the equal ones), or newest first: r goes
  // before the first child that is later (earlier), else at the end.
  void InsertChild(int parent, int r) {
    const std::size_t p = Z(parent);
    const std::uint32_t date = date_[Z(r)];
    const bool dated = date != 0 && allDated_[p];
    auto goesBefore = [&](int c) {
      if (dated) return newestFirst_ ? date_[Z(c)] < date : date_[Z(c)] > date;
      return newestFirst_ ? Earlier(c, r) : Earlier(r, c);
    };
    int prev = kNone, at = first_[p];
    if (dated && !newestFirst_ && last_[p] != kNone && !goesBefore(last_[p])) {
      prev = last_[p];  // later than every child: the end, at once
      at = kNone;
    } else {
      while (at != kNone && !goesBefore(at)) {
        prev = at;
        at = next_[Z(at)];
      }
    }
    next_[Z(r)] = at;
    if (prev == kNone) {
      first_[p] = r;
    } else {
      next_[Z(prev)] = r;
    }
    if (at == kNone) last_[p] = r;
    parent_[Z(r)] = parent;
    if (date == 0) allDated_[p] = 0;
  }

  // ThreadKey, then TOPIC, both unsigned; equal ones keep their order.
  void SortRoots() {
    struct Keyed {
      std::uint64_t key;
      std::uint32_t place;
      int id;
    };
    std::vector<Keyed> keyed(roots_.size());
    for (std::size_t k = 0; k < roots_.size(); ++k) {
      const std::size_t r = Z(roots_[k]);
      keyed[k] = {static_cast<std::uint64_t>(key_[r]) << 32 | topic_[r], static_cast<std::uint32_t>(k), roots_[k]};
    }
    std::sort(keyed.begin(), keyed.end(), [&](const Keyed& x, const Keyed& y) {
      if (x.key != y.key) return descending_ ? x.key > y.key : x.key < y.key;
      return x.place < y.place;
    });
    for (std::size_t k = 0; k < keyed.size(); ++k) roots_[k] = keyed[k].id;
  }

  void EmitTree(int head, IdList& order) {
    std::int32_t depth = 0;
    for (int node = head; node != kNone;) {
      depth_[Z(node)] = depth;
      order.push_back(ids_[Z(node)]);
      if (first_[Z(node)] != kNone) {
        node = first_[Z(node)];
        ++depth;
        continue;
      }
      while (node != head && next_[Z(node)] == kNone) {
        node = parent_[Z(node)];
        --depth;
      }
      node = node == head ? kNone : next_[Z(node)];
    }
  }

  IdList Emit() {
    IdList order;
    order.reserve(n_);
    for (int r : roots_) EmitTree(r, order);
    for (int o : orphans_) EmitTree(o, order);
    return order;
  }

  // Copies the numbers the layout reads into flat arrays; the table of
  // TOPICs sized for them.
  static TopicTable TopicsOf(const TArticleStore& store, const IdList& ids, ArticleArray<std::uint32_t>& topic,
                             ArticleArray<std::uint32_t>& refer, ArticleArray<std::uint32_t>& date) {
    std::uint32_t lo = std::numeric_limits<std::uint32_t>::max(), hi = 0;
    for (std::size_t i = 0; i < ids.size(); ++i) {
      const Record& a = store.ById(ids[i]);
      topic[i] = U(a.TOPIC);
      refer[i] = U(a.REFER);
      date[i] = a.DATE;
      lo = std::min(lo, topic[i]);
      hi = std::max(hi, topic[i]);
    }
    return TopicTable(lo, hi, ids.size());
  }

  TArticleStore& store_;
  const IdList& ids_;
  std::size_t n_;
  bool treeView_, newestFirst_, descending_;
  ArticleArray<std::uint32_t> topic_, refer_, date_, key_;
  ArticleArray<std::int32_t> depth_;
  ArticleArray<int> first_, next_, last_, parent_, top_;
  ArticleArray<char> allDated_;
  std::vector<int> roots_;
  std::vector<int> orphans_;
  TopicTable byTopic_;
};

void TScrapList::ThreadSort() {
  ThreadLayout layout(store_, Folder.TreeView, Folder.NewestReplyFirst, Descending);
  layout.Run();
}

void TScrapList::ColumnSort(int mode) {
  IdList order = store_.Order();
  for (std::uint32_t id : order) store_.ById(id).Depth = 0;
  const bool desc = Descending;
  auto compare = [&](std::uint32_t xi, std::uint32_t yi) {
    const Record& x = store_.ById(xi);
    const Record& y = store_.ById(yi);
    auto text = [&](std::uint32_t id, int field) { return store_.Text(id, field); };
    int c;
    switch (mode) {
      case 2: c = CompareText(StripReplyPrefix(text(xi, kTitle)), StripReplyPrefix(text(yi, kTitle))); break;
      case 3: c = CompareText(text(xi, kAuthor), text(yi, kAuthor)); break;
      case 4: c = CompareUnsigned(x.DATE, y.DATE); return desc ? -c : c;
      case 5: c = CompareText(text(xi, kBody), text(yi, kBody)); break;
      default: c = CompareUnsigned(U(x.TOPIC), U(y.TOPIC)); break;
    }
    if (desc) c = -c;
    return c != 0 ? c : CompareUnsigned(x.DATE, y.DATE);
  };
  // Larger first, as the list has always shown a column sort.
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) { return compare(x, y) > 0; });
  store_.SetOrder(std::move(order));
}

void TScrapList::SortItems(int mode) {
  sortMode_ = mode;
  sortedDescending_ = Descending;
  sorted_ = true;
  const std::uint32_t start = Now();
  if (store_.Count() > 0) {
    if (mode >= 1) {
      ColumnSort(mode);
    } else {
      ThreadSort();
    }
    titleMapsValid_ = false;
  }
  sortTime_ = static_cast<std::int32_t>(Now() - start);
}

}  // namespace bq
