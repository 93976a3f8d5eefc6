// Lookups over the command table and the order of the places.
#include "app/core/shell/commands.h"

#include <algorithm>

namespace bq::app {

std::optional<Command> CommandNamed(std::string_view name) {
  for (const CommandInfo& c : kCommands)
    if (c.name == name) return c.id;
  return std::nullopt;
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
