#pragma once
// "バージョン情報": the program's name, version, a line on what it does and
// where its files are.
#include <QDialog>

namespace bq::gui {

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  AboutBox(const QString& settingsFile, const QString& dataFolder, QWidget* parent = nullptr);
};

}  // namespace bq::gui
