// Lookups over the command table and the order of the places.
#include "app/core/shell/commands.h"

#include <algorithm>

namespace bq::app {

std::optional<Command> CommandNamed(std::string_view name) {
  for (const CommandInfo& c : kCommands)
    if (c.name == name) return c.id;
  return std::nullopt;
}

bool KeyScopeEncloses(KeyScope outer, KeyScope inner) {
  if (outer == inner || outer == KeyScope::Window) return true;
  // The article keys act anywhere in the window but in the script editor,
  // which types with them.
  if (outer == KeyScope::Articles) return inner != KeyScope::Editor;
  return outer == KeyScope::ScriptPage && inner == KeyScope::Editor;
}

namespace {

int Depth(KeyScope scope) {
  switch (scope) {
    case KeyScope::Window:
    case KeyScope::Articles: return 0;
    case KeyScope::DataLogPage:
    case KeyScope::ScriptPage: return 1;
    case KeyScope::Editor: return 2;
  }
  return 0;
}

bool HasKey(const CommandInfo& c, std::string_view key) {
  return !key.empty() && std::find(c.keys.begin(), c.keys.end(), key) != c.keys.end();
}

}  // namespace

std::optional<Command> CommandForKey(KeyScope focus, std::string_view key) {
  std::optional<Command> best;
  int bestDepth = -1;
  bool tied = false;
  for (const CommandInfo& c : kCommands) {
    if (!HasKey(c, key) || !KeyScopeEncloses(c.scope, focus)) continue;
    const int depth = Depth(c.scope);
    if (depth > bestDepth) {
      best = c.id;
      bestDepth = depth;
      tied = false;
    } else if (depth == bestDepth) {
      tied = true;
    }
  }
  return tied ? std::nullopt : best;
}

std::vector<KeyTaken> KeysTakenIn(KeyScope scope) {
  std::vector<KeyTaken> out;
  for (const CommandInfo& c : kCommands) {
    if (c.scope != scope) continue;
    for (std::string_view key : c.keys) {
      if (key.empty() || CommandForKey(scope, key) != c.id) continue;
      const bool wider = std::any_of(kCommands.begin(), kCommands.end(), [&](const CommandInfo& o) {
        return o.id != c.id && HasKey(o, key) && o.scope != scope && KeyScopeEncloses(o.scope, scope);
      });
      if (wider) out.push_back({c.id, key});
    }
  }
  return out;
}

std::vector<PlacedItem> ItemsAt(Place place) {
  struct Entry {
    int order;
    PlacedItem item;
  };
  std::vector<Entry> entries;
  for (const CommandInfo& c : kCommands)
    for (const Slot& s : c.places)
      if (s.place == place && place != Place::None) entries.push_back({s.order, {PlacedItem::CommandItem, c.id}});
  for (const MenuInfo& m : kMenus)
    if (m.parent.place == place && place != Place::None)
      entries.push_back({m.parent.order, {PlacedItem::SubMenu, Command::ExecAction, m.place}});
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.order < b.order; });
  std::vector<PlacedItem> items;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i > 0 && entries[i].order / 10 != entries[i - 1].order / 10) items.push_back({});
    items.push_back(entries[i].item);
  }
  return items;
}

}  // namespace bq::app
