#include "app/gui/round_report_view.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/gui/round_controller.h"
#include "app/controls/qt_text.h"

namespace bq::gui {

RoundReportView::RoundReportView(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("巡回レポート"));
  auto* v = new QVBoxLayout(this);
  table_ = new QTreeWidget(this);
  table_->setRootIsDecorated(false);
  table_->setUniformRowHeights(true);
  table_->setHeaderLabels({QStringLiteral("時刻"), QStringLiteral("フォルダ"), QStringLiteral("メッセージ")});
  table_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  table_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  table_->header()->setStretchLastSection(true);
  v->addWidget(table_);
  empty_ = new QLabel(FromSjis(app::EmptyReportText()), this);
  empty_->setAlignment(Qt::AlignCenter);
  v->addWidget(empty_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  clear_ = new QPushButton(QStringLiteral("消去"), this);
  auto* close = new QPushButton(QStringLiteral("閉じる"), this);
  buttons->addWidget(clear_);
  buttons->addWidget(close);
  v->addLayout(buttons);
  connect(clear_, &QPushButton::clicked, this, &RoundReportView::clearRequested);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  resize(620, 300);
}

void RoundReportView::ShowReport(const app::TRoundReport& report, const std::string& logRoot) {
  table_->clear();
  const auto& entries = report.Entries();
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    // A message may span lines (a compile error names its line below).
    QString message = FromSjis(it->message);
    message.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    auto* row = new QTreeWidgetItem({FromSjis(app::ReportTime(it->time)),
                                     FromSjis(app::FolderDisplayName(logRoot, it->folder)), message});
    row->setToolTip(2, FromSjis(it->message));
    table_->addTopLevelItem(row);
  }
  clear_->setEnabled(!entries.empty());
  table_->setVisible(!entries.empty());
  empty_->setVisible(entries.empty());
}

void RoundReportView::Attach(RoundController& rounds, const app::TApplication& app) {
  const app::TApplication* a = &app;
  RoundController* r = &rounds;
  auto refresh = [this, r, a] { ShowReport(r->Runner().Report(), a->LogRoot()); };
  connect(&rounds, &RoundController::reportChanged, this, refresh);
  connect(this, &RoundReportView::clearRequested, &rounds, [r] { r->Runner().ClearReport(); });
  refresh();
}

}  // namespace bq::gui
