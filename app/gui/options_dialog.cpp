#include "app/gui/options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/dialogs/fetch_options.h"
#include "app/core/shell/shell_model.h"
#include "app/controls/qt_text.h"

namespace bq::gui {

OptionsDialog::OptionsDialog(const app::OptionsValues& values, DialogPickers& pickers, QWidget* parent)
    : QDialog(parent), pickers_(pickers), values_(values) {
  setWindowTitle(QStringLiteral("オプション設定"));
  auto* top = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  tabs_->addTab(GeneralPage(), QStringLiteral("全般"));
  tabs_->addTab(FontPage(), QStringLiteral("表示フォント"));
  tabs_->addTab(RoundPage(), QStringLiteral("巡回"));
  top->addWidget(tabs_);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  top->addWidget(buttons);

}

QWidget* OptionsDialog::GeneralPage() {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);
  auto* folderGroup = new QGroupBox(QStringLiteral("ログフォルダ"), page);
  auto* fl = new QHBoxLayout(folderGroup);
  folder_ = new QLineEdit(FromSjis(values_.dataFolder), folderGroup);
  folder_->setMinimumWidth(280);
  auto* browse = new QToolButton(folderGroup);
  browse->setText(QStringLiteral("..."));
  fl->addWidget(folder_, 1);
  fl->addWidget(browse);
  connect(browse, &QToolButton::clicked, this, [this] {
    QString f = folder_->text();
    if (pickers_.PickFolder(this, f)) folder_->setText(f);
  });
  v->addWidget(folderGroup);

  auto* statusGroup = new QGroupBox(QStringLiteral("ステータス表示"), page);
  auto* sl = new QHBoxLayout(statusGroup);
  status_[0] = new QRadioButton(QStringLiteral("最新記事の日時"), statusGroup);
  status_[1] = new QRadioButton(QStringLiteral("最終巡回の日時"), statusGroup);
  status_[values_.statusDisp == 1 ? 1 : 0]->setChecked(true);
  sl->addWidget(status_[0]);
  sl->addWidget(status_[1]);
  sl->addStretch(1);
  v->addWidget(statusGroup);

  auto check = [page, v](const char* caption, bool on) {
    auto* c = new QCheckBox(QString::fromUtf8(caption), page);
    c->setChecked(on);
    v->addWidget(c);
    return c;
  };
  clock_ = check("ステータスバーに時間を表示する", values_.dispClock);
  sort_ = check("新着順に記事リストを表示する", values_.sortByNew);
  refer_ = check("参照番号をトピック番号に付けて表示する", values_.dispRefer);
  icons_ = check("メニューバーにアイコンを表示する", values_.toolbarIcon);
  hide_ = check("起動時にウィンドウを表示しない", values_.startInTray);
  counts_ = check("フォルダツリーに未読数を表示する", values_.unreadCounts);
  const QString zone = FromSjis(app::ProgramZoneNotice());
  if (!zone.isEmpty()) {
    auto* note = new QLabel(zone, page);
    note->setObjectName(QStringLiteral("ZoneNotice"));
    v->addWidget(note);
  }
  v->addStretch(1);
  return page;
}

QWidget* OptionsDialog::FontPage() {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);
  auto* setGroup = new QGroupBox(QStringLiteral("フォント"), page);
  auto* gl = new QVBoxLayout(setGroup);
  const char* names[] = {"メッセージビュー", "記事リストビュー", "タイトルパネル"};
  for (int i = 0; i < 3; ++i) {
    fontSet_[i] = new QRadioButton(QString::fromUtf8(names[i]), setGroup);
    gl->addWidget(fontSet_[i]);
    connect(fontSet_[i], &QRadioButton::toggled, this, [this](bool on) {
      if (on) ShowFont();
    });
  }
  fontLabel_ = new QPushButton(setGroup);
  fontLabel_->setFlat(true);
  fontLabel_->setMinimumHeight(40);
  fontLabel_->setToolTip(QStringLiteral("クリックでフォントを選ぶ"));
  gl->addWidget(fontLabel_);
  connect(fontLabel_, &QPushButton::clicked, this, [this] {
    int slot = 0;
    for (int i = 0; i < 3; ++i)
      if (fontSet_[i]->isChecked()) slot = i;
    if (pickers_.PickFont(this, values_.fonts[static_cast<std::size_t>(slot)])) ShowFont();
  });
  v->addWidget(setGroup);

  auto* colorGroup = new QGroupBox(QStringLiteral("引用色"), page);
  auto* cl = new QHBoxLayout(colorGroup);
  colorButton_ = new QPushButton(QStringLiteral("こんな色"), colorGroup);
  colorEdit_ = new QLineEdit(colorGroup);
  colorEdit_->setReadOnly(true);
  colorEdit_->setMaximumWidth(100);
  cl->addWidget(colorButton_);
  cl->addWidget(colorEdit_);
  cl->addStretch(1);
  connect(colorButton_, &QPushButton::clicked, this, [this] {
    if (pickers_.PickColor(this, values_.quoteColor)) ShowColor();
  });
  v->addWidget(colorGroup);
  v->addStretch(1);
  fontSet_[0]->setChecked(true);
  ShowFont();
  ShowColor();
  return page;
}

QWidget* OptionsDialog::RoundPage() {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);
  auto* hourGroup = new QGroupBox(page);
  auto* grid = new QGridLayout(hourGroup);
  for (int h = 0; h < 24; ++h) {
    hours_[static_cast<std::size_t>(h)] = new QCheckBox(QString::number(h) + QStringLiteral("時"), hourGroup);
    grid->addWidget(hours_[static_cast<std::size_t>(h)], h / 6, h % 6);
  }
  SetHours(values_.hours);
  const char* captions[] = {"全て選択", "全て解除", "２時間おき", "選択反転"};
  auto* buttonRow = new QHBoxLayout;
  for (int i = 0; i < 4; ++i) {
    hourButtons_[static_cast<std::size_t>(i)] = new QPushButton(QString::fromUtf8(captions[i]), hourGroup);
    buttonRow->addWidget(hourButtons_[static_cast<std::size_t>(i)]);
  }
  grid->addLayout(buttonRow, 4, 0, 1, 6);
  connect(hourButtons_[0], &QPushButton::clicked, this, [this] { SetHours(app::kAllHours); });
  connect(hourButtons_[1], &QPushButton::clicked, this, [this] { SetHours(0); });
  connect(hourButtons_[2], &QPushButton::clicked, this, [this] { SetHours(app::kEveryTwoHours); });
  connect(hourButtons_[3], &QPushButton::clicked, this, [this] { SetHours(app::InvertHours(Hours())); });
  v->addWidget(hourGroup);

  auto* minuteRow = new QHBoxLayout;
  minuteRow->addWidget(new QLabel(QStringLiteral("指定時間の"), page));
  minute_ = new QSpinBox(page);
  minute_->setRange(0, 59);
  minute_->setValue(values_.minute);
  minuteRow->addWidget(minute_);
  minuteRow->addWidget(new QLabel(QStringLiteral("分に"), page));
  schedule_ = new QCheckBox(QStringLiteral("定時巡回する"), page);
  schedule_->setChecked(values_.scheduleEnabled);
  minuteRow->addWidget(schedule_);
  minuteRow->addStretch(1);
  v->addLayout(minuteRow);
  nextRound_ = new QLabel(page);
  nextRound_->setObjectName(QStringLiteral("NextRound"));
  v->addWidget(nextRound_);
  // The next round follows every change of the hours, minute and switch.
  for (QCheckBox* c : hours_) connect(c, &QCheckBox::toggled, this, &OptionsDialog::ShowNextRound);
  connect(schedule_, &QCheckBox::toggled, this, &OptionsDialog::ShowNextRound);
  connect(minute_, &QSpinBox::valueChanged, this, &OptionsDialog::ShowNextRound);
  ShowNextRound();

  auto* timeoutRow = new QHBoxLayout;
  timeoutRow->addWidget(new QLabel(QStringLiteral("HTTP タイムアウト(秒): "), page));
  timeout_ = new QSpinBox(page);
  timeout_->setRange(0, 7200);
  timeout_->setValue(values_.httpTimeout);
  timeoutRow->addWidget(timeout_);
  timeoutRow->addWidget(new QLabel(QStringLiteral("(0=タイムアウト無し)"), page));
  timeoutRow->addStretch(1);
  v->addLayout(timeoutRow);
  // 0 means no time-out only where a person watches; the hint says so.
  timeout_->setToolTip(FromSjis(app::kTimeOutHint));

  auto* intervalRow = new QHBoxLayout;
  intervalRow->addWidget(new QLabel(FromSjis(app::kHostIntervalCaption) + QStringLiteral(": "), page));
  interval_ = new QSpinBox(page);
  interval_->setRange(0, 60000);
  interval_->setSingleStep(100);
  interval_->setValue(values_.hostInterval);
  intervalRow->addWidget(interval_);
  intervalRow->addWidget(new QLabel(QStringLiteral("(0=間隔を空けない)"), page));
  intervalRow->addStretch(1);
  v->addLayout(intervalRow);

  news_ = new QCheckBox(QStringLiteral("巡回で新着記事があればトレイで知らせる"), page);
  news_->setChecked(values_.newsNotify);
  v->addWidget(news_);
  v->addStretch(1);
  return page;
}

void OptionsDialog::ShowNextRound() {
  nextRound_->setText(FromSjis(app::NextRoundText(Hours(), minute_->value(), schedule_->isChecked())));
}

void OptionsDialog::ShowFont() {
  int slot = 0;
  for (int i = 0; i < 3; ++i)
    if (fontSet_[i] && fontSet_[i]->isChecked()) slot = i;
  const TFont& f = values_.fonts[static_cast<std::size_t>(slot)];
  fontLabel_->setText(FromSjis(app::FontLabel(f)));
  fontLabel_->setFont(ToQFont(f));
}

void OptionsDialog::ShowColor() {
  colorEdit_->setText(QString::fromStdString(app::ColorText(values_.quoteColor)));
  QPalette p = colorButton_->palette();
  p.setColor(QPalette::ButtonText, ToQColor(values_.quoteColor));
  colorButton_->setPalette(p);
  // A swatch beside the caption: a light colour as text alone reads as a
  // disabled button.
  QPixmap swatch(14, 14);
  swatch.fill(ToQColor(values_.quoteColor));
  colorButton_->setIcon(QIcon(swatch));
}

void OptionsDialog::SetHours(app::HourChecks hours) {
  for (int h = 0; h < 24; ++h) hours_[static_cast<std::size_t>(h)]->setChecked((hours >> h) & 1u);
}

app::HourChecks OptionsDialog::Hours() const {
  app::HourChecks h = 0;
  for (int i = 0; i < 24; ++i)
    if (hours_[static_cast<std::size_t>(i)]->isChecked()) h |= 1u << i;
  return h;
}

app::OptionsValues OptionsDialog::Values() const {
  app::OptionsValues v = values_;  // fonts and colour are kept there as picked
  v.dataFolder = ToSjis(folder_->text());
  v.statusDisp = status_[1]->isChecked() ? 1 : 0;
  v.dispClock = clock_->isChecked();
  v.sortByNew = sort_->isChecked();
  v.dispRefer = refer_->isChecked();
  v.toolbarIcon = icons_->isChecked();
  v.startInTray = hide_->isChecked();
  v.unreadCounts = counts_->isChecked();
  v.hours = Hours();
  v.minute = minute_->value();
  v.scheduleEnabled = schedule_->isChecked();
  v.httpTimeout = timeout_->value();
  v.hostInterval = interval_->value();
  v.newsNotify = news_->isChecked();
  return v;
}

}  // namespace bq::gui
