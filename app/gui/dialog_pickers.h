#pragma once
// The standard dialogs the options and export dialogs and the window open:
// a font, a colour, a folder, the export's save file, an OPML file. The dialogs are given one;
// tests give one that answers without a window.
#include <QString>
#include <QStringList>
#include <cstdint>

#include "app/core/dialogs/options_model.h"

class QWidget;

namespace bq::gui {

class DialogPickers {
 public:
  virtual ~DialogPickers() = default;
  // Each returns false (the value untouched) when the user cancels.
  virtual bool PickFont(QWidget* parent, TFont& font);
  virtual bool PickColor(QWidget* parent, std::int32_t& color);
  virtual bool PickFolder(QWidget* parent, QString& folder);
  // The export's file: "エクスポート先のファイル" with the given filters.
  virtual bool PickSaveFile(QWidget* parent, const QStringList& filters, QString& file);
  // An OPML file to write (save) or to read.
  virtual bool PickOpmlFile(QWidget* parent, bool save, QString& file);

  // Qt's own dialogs.
  static DialogPickers& Standard();
};

}  // namespace bq::gui
