#pragma once
// The desktop's commands as QActions: one each, made from the core's command
// table (caption, hint, keys, image, where the keys act), and the one place
// where their enabled and checked states are applied. The states are
// computed by the core's enabling rules from the application's facts (the
// busy state, the open folder) and the facts the widgets give (the list's
// selection, the folder tree, the program's surroundings), in one pass at
// every change of the busy state and whenever a widget gives new facts.
//
// Pages and the window receive this object, connect the commands they own
// and place commands by name; nothing swaps or re-creates an action.
#include <QAction>
#include <QHash>
#include <QMenu>
#include <QObject>
#include <QToolBar>
#include <array>

#include "app/core/application.h"
#include "app/core/shell/command_rules.h"
#include "app/core/shell/commands.h"

namespace bq::gui {

class CommandActions : public QObject {
  Q_OBJECT
 public:
  explicit CommandActions(app::TApplication& app, QObject* parent = nullptr);
  ~CommandActions() override;

  QAction* Get(app::Command command) const { return actions_[static_cast<std::size_t>(command)]; }
  // By its name ("NextAction"); nullptr for a name not in the table.
  QAction* Named(const QString& name) const;
  QList<QAction*> All() const { return QList<QAction*>(actions_.begin(), actions_.end()); }
  // The actions whose keys act within a widget (a page, the editor) go on it;
  // a key it shares with the window's command means its own there.
  void AddScopedTo(QWidget* widget, app::KeyScope scope) const;
  // Puts the commands of a place into a menu or tool bar in the table's
  // order, with separators between groups; submenus come from `menus`.
  void Place(QMenu* menu, app::Place place, const QHash<int, QMenu*>& menus = {}) const;
  void Place(QToolBar* bar, app::Place place) const;

  // The facts only widgets know; each call applies the states again.
  void SetListFacts(const app::ShellFacts::List& facts);
  void SetTreeFacts(const app::ShellFacts::Tree& facts);
  void SetProgramFacts(const app::ShellFacts::Program& facts);
  // Computes every state in one pass and applies it.
  void Refresh();
  const app::CommandStates& States() const { return states_; }

 signals:
  // After the states were applied (widgets that are no actions follow them).
  void applied(const app::CommandStates& states);

 protected:
  // A text field or the script editor keeps the article keys it types with.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  template <class Target>
  void PlaceItems(Target* target, app::Place place, const QHash<int, QMenu*>& menus) const;

  app::TApplication& app_;
  std::array<QAction*, app::kCommandCount> actions_{};
  app::ShellFacts::List list_;
  app::ShellFacts::Tree tree_;
  app::ShellFacts::Program program_;
  app::CommandStates states_;
  bool waitCursor_ = false;
  app::Image switchImage_ = app::Image::SwitchOff;
};

}  // namespace bq::gui
