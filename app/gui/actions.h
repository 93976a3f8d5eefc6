#pragma once
// The main window's actions: one row each with its stable name (the name
// pages use to find it), caption, hint, keys and image. Captions and hints
// are the program's own Japanese texts.
#include <QAction>
#include <QHash>
#include <QObject>
#include <QString>
#include <vector>

#include "app/gui/icons.h"

namespace bq::gui {

// Who gives an action its behaviour: the window itself, or a page or dialog
// plugged in later. Actions of a page stay disabled until it connects them.
enum class ActionOwner { Window, DataLogPage, ScriptPage, Dialogs };

struct ActionDef {
  const char* name;
  const char* caption;
  const char* hint;
  const char* keys;  // key sequences separated by ';'
  Glyph glyph;
  ActionOwner owner;
  bool checkable;
};

const std::vector<ActionDef>& ActionDefs();

// Creates every action of the table as a child of owner, keyed by name.
QHash<QString, QAction*> CreateActions(QObject* owner);

}  // namespace bq::gui
