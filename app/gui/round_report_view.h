#pragma once
// "巡回レポート": the errors rounds met, folder by folder, in a window of its
// own that does not block (reachable from the status bar and the tray menu).
#include <QWidget>
#include <string>

#include "app/core/rounds/round_report.h"

class QTreeWidget;
class QPushButton;
class QLabel;

namespace bq::app {
class TApplication;
}

namespace bq::gui {

class RoundController;

class RoundReportView : public QWidget {
  Q_OBJECT

 public:
  explicit RoundReportView(QWidget* parent = nullptr);
  // Shows the report's entries, newest first; folders below logRoot.
  void ShowReport(const app::TRoundReport& report, const std::string& logRoot);
  // Follows the controller's report from now on; "消去" empties it.
  void Attach(RoundController& rounds, const app::TApplication& app);
  QTreeWidget* Table() const { return table_; }
  QPushButton* ClearButton() const { return clear_; }
  // "エラーはありません", shown instead of the table while the report is empty.
  QLabel* EmptyLabel() const { return empty_; }

 signals:
  void clearRequested();

 private:
  QTreeWidget* table_;
  QLabel* empty_;
  QPushButton* clear_;
};

}  // namespace bq::gui
