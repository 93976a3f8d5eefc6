// The command table's QActions and the one pass that applies their states.
#include "app/gui/command_actions.h"

#include <QApplication>
#include <QCursor>
#include <QAbstractSpinBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QPair>

#include "app/gui/icons.h"

namespace bq::gui {

namespace {

QString Text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

Qt::ShortcutContext ContextOf(app::KeyScope scope) {
  switch (scope) {
    case app::KeyScope::Window:
    case app::KeyScope::Articles: return Qt::WindowShortcut;
    case app::KeyScope::DataLogPage:
    case app::KeyScope::ScriptPage: return Qt::WidgetWithChildrenShortcut;
    case app::KeyScope::Editor: return Qt::WidgetShortcut;
  }
  return Qt::WindowShortcut;
}

// A widget the user types into: its keys are its own.
bool TakesText(const QObject* w) {
  if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w)) return true;
  if (auto* e = qobject_cast<const QPlainTextEdit*>(w)) return !e->isReadOnly();
  if (auto* e = qobject_cast<const QTextEdit*>(w)) return !e->isReadOnly();
  return false;
}

// The keys a narrower place takes from the window (the editor's F1 beside
// the window's): Qt would find two shortcuts for the key and run neither,
// so the place's widget claims the key before shortcuts are looked up and
// runs its own command.
class TakenKeys : public QObject {
 public:
  TakenKeys(QObject* parent, QList<QPair<QKeySequence, QAction*>> keys) : QObject(parent), keys_(std::move(keys)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
      return QObject::eventFilter(watched, event);
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    for (const auto& [key, action] : keys_) {
      if (key != pressed) continue;
      event->accept();
      if (event->type() == QEvent::KeyPress && action->isEnabled()) action->trigger();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QList<QPair<QKeySequence, QAction*>> keys_;
};

}  // namespace

CommandActions::CommandActions(app::TApplication& app, QObject* parent) : QObject(parent), app_(app) {
  for (const app::CommandInfo& c : app::kCommands) {
    auto* a = new QAction(CommandIcon(c.image), Text(c.caption), this);
    a->setObjectName(Text(c.name));
    const QString hint = c.hint.empty() ? Text(c.caption) : Text(c.hint);
    a->setToolTip(hint);
    a->setStatusTip(hint);
    a->setCheckable(c.checkable);
    QList<QKeySequence> keys;
    for (std::string_view k : c.keys)
      if (!k.empty()) keys << QKeySequence::fromString(Text(k), QKeySequence::PortableText);
    a->setShortcuts(keys);
    a->setShortcutContext(ContextOf(c.scope));
    actions_[static_cast<std::size_t>(c.id)] = a;
  }
  app_.Busy().OnChange = [this] { Refresh(); };
  Refresh();
  qApp->installEventFilter(this);
}

bool CommandActions::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ShortcutOverride || !TakesText(watched)) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const QKeySequence pressed(key->keyCombination());
  for (const app::CommandInfo& c : app::kCommands) {
    if (c.scope != app::KeyScope::Articles) continue;
    for (const QKeySequence& k : Get(c.id)->shortcuts())
      if (k.matches(pressed) == QKeySequence::ExactMatch) {
        event->accept();  // the widget gets the key as a key press
        return true;
      }
  }
  return false;
}

CommandActions::~CommandActions() {
  app_.Busy().OnChange = nullptr;
  if (waitCursor_) QApplication::restoreOverrideCursor();
}

QAction* CommandActions::Named(const QString& name) const {
  std::optional<app::Command> c = app::CommandNamed(name.toStdString());
  return c ? Get(*c) : nullptr;
}

void CommandActions::AddScopedTo(QWidget* widget, app::KeyScope scope) const {
  for (const app::CommandInfo& c : app::kCommands)
    if (c.scope == scope) widget->addAction(Get(c.id));
  QList<QPair<QKeySequence, QAction*>> taken;
  for (const app::KeyTaken& t : app::KeysTakenIn(scope))
    taken.append({QKeySequence::fromString(Text(t.key), QKeySequence::PortableText), Get(t.command)});
  if (!taken.isEmpty()) widget->installEventFilter(new TakenKeys(widget, std::move(taken)));
}

template <class Target>
void CommandActions::PlaceItems(Target* target, app::Place place, const QHash<int, QMenu*>& menus) const {
  for (const app::PlacedItem& item : app::ItemsAt(place)) {
    switch (item.kind) {
      case app::PlacedItem::Separator: target->addSeparator(); break;
      case app::PlacedItem::CommandItem: target->addAction(Get(item.command)); break;
      case app::PlacedItem::SubMenu:
        if (QMenu* sub = menus.value(static_cast<int>(item.subMenu))) target->addAction(sub->menuAction());
        break;
    }
  }
}

void CommandActions::Place(QMenu* menu, app::Place place, const QHash<int, QMenu*>& menus) const {
  PlaceItems(menu, place, menus);
}

void CommandActions::Place(QToolBar* bar, app::Place place) const { PlaceItems(bar, place, {}); }

void CommandActions::SetListFacts(const app::ShellFacts::List& facts) {
  list_ = facts;
  Refresh();
}

void CommandActions::SetTreeFacts(const app::ShellFacts::Tree& facts) {
  tree_ = facts;
  Refresh();
}

void CommandActions::SetProgramFacts(const app::ShellFacts::Program& facts) {
  program_ = facts;
  Refresh();
}

void CommandActions::Refresh() {
  app::ShellFacts facts = app_.Facts();
  facts.list = list_;
  facts.tree = tree_;
  facts.program = program_;
  states_ = app::EvaluateCommands(facts);
  for (const app::CommandInfo& c : app::kCommands) {
    QAction* a = Get(c.id);
    a->setEnabled(states_.Enabled(c.id));
    if (c.checkable) a->setChecked(states_.Checked(c.id));
  }
  Get(app::Command::ChangeView)->setVisible(states_.codeButtonShown);
  QAction* timerSwitch = Get(app::Command::TimerSwitch);
  timerSwitch->setText(Text(states_.timerSwitchCaption));
  if (states_.timerSwitchImage != switchImage_) {
    switchImage_ = states_.timerSwitchImage;
    timerSwitch->setIcon(CommandIcon(switchImage_));
  }
  if (states_.waitCursor != waitCursor_) {
    waitCursor_ = states_.waitCursor;
    if (waitCursor_)
      QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    else
      QApplication::restoreOverrideCursor();
  }
  emit applied(states_);
}

}  // namespace bq::gui
