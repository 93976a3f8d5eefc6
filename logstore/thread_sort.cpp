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

#include "logstore/scrap_list.h"
#include "platform/compare.h"

namespace bq {
namespace {

int CompareUnsigned(std::uint32_t a, std::uint32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }
std::uint32_t U(std::int32_t v) { return static_cast<std::uint32_t>(v); }

// x comes before y among the children of one parent (earlier first).
bool Earlier(const TDataInfo& x, const TDataInfo& y) {
  if (x.DATE != 0 && y.DATE != 0) return x.DATE < y.DATE;
  return U(x.TOPIC) < U(y.TOPIC);
}

constexpr int kSeveral = -2;

}  // namespace

// The forest built by the thread order, over node ids = original list indices.
class ThreadLayout {
 public:
  ThreadLayout(std::vector<std::unique_ptr<TDataInfo>>& items, bool treeView, bool newestFirst,
               bool descending)
      : items_(items), n_(items.size()), treeView_(treeView), newestFirst_(newestFirst),
        descending_(descending), children_(n_), allDated_(n_, 1), top_(n_, -1) {}

  void Run() {
    std::vector<int> replies;
    for (std::size_t i = 0; i < n_; ++i) {
      TDataInfo& a = *items_[i];
      a.Child = a.Next = nullptr;
      a.Depth = 0;
      if (a.REFER == 0) {
        a.ThreadKey = a.DATE;
        roots_.push_back(static_cast<int>(i));
        top_[i] = static_cast<int>(i);
        Register(i);
      } else {
        a.ThreadKey = 0;
        replies.push_back(static_cast<int>(i));
      }
    }
    // Largest TOPIC first, then taken from the back: ascending TOPIC.
    std::stable_sort(replies.begin(), replies.end(),
                     [&](int x, int y) { return U(At(x).TOPIC) > U(At(y).TOPIC); });
    for (auto r = replies.rbegin(); r != replies.rend(); ++r) Attach(*r);
    SortRoots();
    Emit();
  }

 private:
  TDataInfo& At(int id) { return *items_[static_cast<std::size_t>(id)]; }

  void Register(std::size_t id) {
    auto [it, inserted] = byTopic_.emplace(U(items_[id]->TOPIC), static_cast<int>(id));
    if (!inserted) it->second = kSeveral;
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
    return -1;
  }

  // The stated search, for a TOPIC that occurs more than once.
  int LiteralSearch(std::uint32_t refer) {
    std::vector<int> stack;
    return WalkChain([&](int t) {
      if (U(At(t).TOPIC) == refer) return t;
      if (!treeView_) return -1;
      stack.assign(children_[static_cast<std::size_t>(t)].rbegin(),
                   children_[static_cast<std::size_t>(t)].rend());
      while (!stack.empty()) {
        int c = stack.back();
        stack.pop_back();
        if (U(At(c).TOPIC) == refer) return c;
        auto& kids = children_[static_cast<std::size_t>(c)];
        stack.insert(stack.end(), kids.rbegin(), kids.rend());
      }
      return -1;
    });
  }

  int FindParent(std::uint32_t refer) {
    auto it = byTopic_.find(refer);
    if (it == byTopic_.end()) return -1;
    return it->second == kSeveral ? LiteralSearch(refer) : it->second;
  }

  void Attach(int r) {
    TDataInfo& reply = At(r);
    const int parent = FindParent(U(reply.REFER));
    if (parent < 0) {
      orphans_.push_back(r);
      top_[static_cast<std::size_t>(r)] = r;
      reply.ThreadKey = reply.DATE;
      Register(static_cast<std::size_t>(r));
      return;
    }
    InsertChild(parent, r);
    const int top = top_[static_cast<std::size_t>(parent)];
    top_[static_cast<std::size_t>(r)] = top;
    TDataInfo& head = At(top);
    head.ThreadKey = std::max(head.ThreadKey, reply.DATE);
    if (treeView_) Register(static_cast<std::size_t>(r));
  }

  // Oldest first (a tie after the equal ones), or newest first.
  void InsertChild(int parent, int r) {
    auto& kids = children_[static_cast<std::size_t>(parent)];
    const TDataInfo& reply = At(r);
    std::vector<int>::iterator at;
    if (reply.DATE != 0 && allDated_[static_cast<std::size_t>(parent)]) {
      // All dated: the children are in date order, so the place can be bisected.
      if (newestFirst_) {
        at = std::upper_bound(kids.begin(), kids.end(), reply.DATE,
                              [&](std::uint32_t d, int c) { return d > At(c).DATE; });
      } else {
        at = std::upper_bound(kids.begin(), kids.end(), reply.DATE,
                              [&](std::uint32_t d, int c) { return d < At(c).DATE; });
      }
    } else {
      at = std::find_if(kids.begin(), kids.end(), [&](int c) {
        return newestFirst_ ? Earlier(At(c), reply) : Earlier(reply, At(c));
      });
    }
    if (reply.DATE == 0) allDated_[static_cast<std::size_t>(parent)] = 0;
    kids.insert(at, r);
  }

  void SortRoots() {
    std::stable_sort(roots_.begin(), roots_.end(), [&](int x, int y) {
      int c = CompareUnsigned(At(x).ThreadKey, At(y).ThreadKey);
      if (c == 0) c = CompareUnsigned(U(At(x).TOPIC), U(At(y).TOPIC));
      return descending_ ? c > 0 : c < 0;
    });
  }

  void EmitTree(int head, std::vector<int>& order) {
    std::vector<std::pair<int, std::int32_t>> stack{{head, 0}};
    while (!stack.empty()) {
      auto [id, depth] = stack.back();
      stack.pop_back();
      At(id).Depth = depth;
      order.push_back(id);
      auto& kids = children_[static_cast<std::size_t>(id)];
      for (auto c = kids.rbegin(); c != kids.rend(); ++c) stack.emplace_back(*c, depth + 1);
    }
  }

  void Emit() {
    std::vector<int> order;
    order.reserve(n_);
    for (int r : roots_) EmitTree(r, order);
    for (int o : orphans_) EmitTree(o, order);
    std::vector<std::unique_ptr<TDataInfo>> laid(n_);
    for (std::size_t k = 0; k < order.size(); ++k) {
      laid[k] = std::move(items_[static_cast<std::size_t>(order[k])]);
    }
    items_ = std::move(laid);
  }

  std::vector<std::unique_ptr<TDataInfo>>& items_;
  std::size_t n_;
  bool treeView_, newestFirst_, descending_;
  std::vector<std::vector<int>> children_;
  std::vector<char> allDated_;
  std::vector<int> top_;
  std::vector<int> roots_;
  std::vector<int> orphans_;
  std::unordered_map<std::uint32_t, int> byTopic_;
};

void TScrapList::ThreadSort() {
  ThreadLayout layout(items_, Folder.TreeView, Folder.NewestReplyFirst, Descending);
  layout.Run();
}

void TScrapList::ColumnSort(int mode) {
  for (auto& a : items_) a->Depth = 0;
  const bool desc = Descending;
  auto compare = [mode, desc](const TDataInfo& x, const TDataInfo& y) {
    int c;
    switch (mode) {
      case 2: c = CompareText(StripReplyPrefix(x.TITLE), StripReplyPrefix(y.TITLE)); break;
      case 3: c = CompareText(x.AUTHOR, y.AUTHOR); break;
      case 4: c = CompareUnsigned(x.DATE, y.DATE); return desc ? -c : c;
      case 5: c = CompareText(x.BODY, y.BODY); break;
      default: c = CompareUnsigned(U(x.TOPIC), U(y.TOPIC)); break;
    }
    if (desc) c = -c;
    return c != 0 ? c : CompareUnsigned(x.DATE, y.DATE);
  };
  // Larger first, as the list has always shown a column sort.
  std::stable_sort(items_.begin(), items_.end(),
                   [&](const auto& x, const auto& y) { return compare(*x, *y) > 0; });
}

void TScrapList::SortItems(int mode) {
  sortMode_ = mode;
  const std::uint32_t start = Now();
  if (!items_.empty()) {
    if (mode >= 1) {
      ColumnSort(mode);
    } else {
      ThreadSort();
    }
    positionsValid_ = false;
    titleMapsValid_ = false;
    RenumberIfNeeded();
  }
  sortTime_ = static_cast<std::int32_t>(Now() - start);
}

}  // namespace bq
