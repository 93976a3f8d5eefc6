#include "app/gui/properties_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <climits>

#include "app/core/dialogs/fetch_options.h"
#include "app/controls/qt_text.h"

namespace bq::gui {

namespace {

QComboBox* EditableCombo(const std::vector<std::string>& items, const std::string& current, QWidget* parent) {
  auto* c = new QComboBox(parent);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  for (const auto& i : items) c->addItem(FromSjis(i));
  c->setEditText(FromSjis(current));
  c->setMinimumWidth(300);
  return c;
}

QLineEdit* Edit(const std::string& text, QWidget* parent, bool readOnly = false) {
  auto* e = new QLineEdit(FromSjis(text), parent);
  e->setReadOnly(readOnly);
  return e;
}

}  // namespace

PropertiesDialog::PropertiesDialog(const app::PropertiesValues& values,
                                   const std::vector<std::string>& scripts,
                                   const std::vector<std::string>& addresses, QWidget* parent)
    : QDialog(parent), values_(values) {
  setWindowTitle(QStringLiteral("プロパティ"));
  auto* top = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  tabs_->addTab(BasicPage(scripts, addresses), QStringLiteral("基本設定"));
  tabs_->addTab(UserPage(), QStringLiteral("ユーザー情報"));
  tabs_->addTab(ExtendedPage(), QStringLiteral("拡張設定"));
  tabs_->setTabVisible(2, false);
  tabs_->setCurrentIndex(0);
  top->addWidget(tabs_);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("更新"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  top->addWidget(buttons);
}

QWidget* PropertiesDialog::BasicPage(const std::vector<std::string>& scripts,
                                     const std::vector<std::string>& addresses) {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);

  auto* state = new QGroupBox(QStringLiteral("取得状況"), page);
  auto* sf = new QFormLayout(state);
  lastTopic_ = new QSpinBox(state);
  lastTopic_->setRange(INT_MIN, INT_MAX);
  lastTopic_->setValue(values_.lastTopic);
  sf->addRow(QStringLiteral("最新トピックID"), lastTopic_);
  latestDate_ = Edit(values_.latestDate, state, true);
  sf->addRow(QStringLiteral("最新記事"), latestDate_);
  lastRound_ = Edit(values_.lastRound, state, true);
  sf->addRow(QStringLiteral("最終巡回日"), lastRound_);
  v->addWidget(state);

  auto* site = new QGroupBox(QStringLiteral("サイト情報"), page);
  auto* tf = new QFormLayout(site);
  script_ = EditableCombo(scripts, values_.scriptName, site);
  tf->addRow(QStringLiteral("スクリプト"), script_);
  address_ = EditableCombo(addresses, values_.siteUrl, site);
  tf->addRow(QStringLiteral("アドレス"), address_);
  round_ = new QCheckBox(QStringLiteral("巡回する"), site);
  round_->setChecked(values_.roundTarget);
  tf->addRow(round_);
  cookies_ = new QCheckBox(FromSjis(app::kSaveCookiesCaption), site);
  cookies_->setChecked(values_.saveCookies);
  tf->addRow(cookies_);
  renderJs_ = new QCheckBox(FromSjis(app::kRenderJsCaption), site);
  renderJs_->setChecked(values_.renderJs);
  renderJs_->setToolTip(FromSjis(app::kRenderJsNote));
  tf->addRow(renderJs_, new QLabel(FromSjis(app::kRenderJsNote), site));
  charset_ = new QComboBox(site);
  charset_->addItems({QStringLiteral("auto"), QStringLiteral("Shift_JIS"), QStringLiteral("EUC-JP"),
                      QStringLiteral("ISO-2022-JP"), QStringLiteral("UTF-8")});
  charset_->setCurrentText(QString::fromStdString(values_.charset));
  tf->addRow(QStringLiteral("文字コード"), charset_);
  v->addWidget(site);
  if (values_.feed) {
    // A feed folder runs no script and reads its feed in the feed's own code.
    for (QWidget* w : {static_cast<QWidget*>(script_), static_cast<QWidget*>(address_), static_cast<QWidget*>(charset_)})
      tf->setRowVisible(w, false);
    v->addWidget(FeedGroup(page));
  }

  auto* list = new QGroupBox(QStringLiteral("リスト表示"), page);
  auto* lv = new QVBoxLayout(list);
  const char* captions[] = {"リストに本文を表示する", "列幅を記憶する", "ツリー形式で表示する",
                            "先頭のMLインデックス([...])非表示", "レス記事は新着を優先"};
  const bool on[] = {values_.showBody, values_.keepColumns, values_.treeView, values_.hideIndex,
                     values_.newestReplyFirst};
  for (int i = 0; i < 5; ++i) {
    options_[i] = new QCheckBox(QString::fromUtf8(captions[i]), list);
    options_[i]->setChecked(on[i]);
    lv->addWidget(options_[i]);
  }
  v->addWidget(list);
  v->addStretch(1);
  return page;
}

QWidget* PropertiesDialog::FeedGroup(QWidget* page) {
  auto* group = new QGroupBox(QStringLiteral("フィード"), page);
  auto* form = new QFormLayout(group);
  feedAddress_ = Edit(values_.feedAddress, group);
  feedAddress_->setObjectName(QStringLiteral("FeedUrl"));
  feedAddress_->setMinimumWidth(300);
  form->addRow(QStringLiteral("フィードのアドレス"), feedAddress_);
  feedUnread_ = new QCheckBox(QStringLiteral("更新された記事を未読に戻す"), group);
  feedUnread_->setChecked(values_.updatesTurnUnread);
  form->addRow(feedUnread_);
  feedReply_ = Edit(values_.feedReply, group, true);
  feedReply_->setPlaceholderText(QStringLiteral("(まだ取得していません)"));
  feedReply_->setCursorPosition(0);  // the date first
  feedReply_->setObjectName(QStringLiteral("FeedReply"));
  form->addRow(QStringLiteral("最終応答"), feedReply_);
  return group;
}

QWidget* PropertiesDialog::UserPage() {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);
  auto* form = new QFormLayout;
  mail_ = EditableCombo({}, values_.mailto, page);
  if (!values_.mailto.empty()) mail_->addItem(FromSjis(values_.mailto));
  form->addRow(QStringLiteral("メールアドレス"), mail_);
  home_ = EditableCombo({}, values_.homePage, page);
  if (!values_.homePage.empty()) home_->addItem(FromSjis(values_.homePage));
  form->addRow(QStringLiteral("ホームページ"), home_);
  v->addLayout(form);

  auto* handle = new QGroupBox(QStringLiteral("ハンドル"), page);
  auto* hf = new QFormLayout(handle);
  nick_ = Edit(values_.nickName, handle);
  hf->addRow(QStringLiteral("名前"), nick_);
  delPass_ = Edit(values_.delPass, handle);
  delPass_->setEchoMode(QLineEdit::Password);
  hf->addRow(QStringLiteral("削除パス"), delPass_);
  v->addWidget(handle);

  auto* login = new QGroupBox(QStringLiteral("ログイン"), page);
  auto* lf = new QFormLayout(login);
  user_ = Edit(values_.userName, login);
  lf->addRow(QStringLiteral("ユーザ名"), user_);
  password_ = Edit(values_.password, login);
  password_->setEchoMode(QLineEdit::Password);
  lf->addRow(QStringLiteral("パスワード"), password_);
  v->addWidget(login);
  v->addStretch(1);
  return page;
}

QWidget* PropertiesDialog::ExtendedPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  // Shown only: the dialog never changes the referer.
  referer_ = Edit(values_.referer, page, true);
  form->addRow(QStringLiteral("REFERER: "), referer_);
  return page;
}

app::PropertiesValues PropertiesDialog::Values() const {
  app::PropertiesValues v = values_;
  v.lastTopic = lastTopic_->value();
  v.scriptName = ToSjis(script_->currentText());
  v.siteUrl = ToSjis(address_->currentText());
  v.roundTarget = round_->isChecked();
  v.saveCookies = cookies_->isChecked();
  v.renderJs = renderJs_->isChecked();
  v.charset = charset_->currentText().toStdString();
  v.showBody = options_[0]->isChecked();
  v.keepColumns = options_[1]->isChecked();
  v.treeView = options_[2]->isChecked();
  v.hideIndex = options_[3]->isChecked();
  v.newestReplyFirst = options_[4]->isChecked();
  v.mailto = ToSjis(mail_->currentText());
  v.homePage = ToSjis(home_->currentText());
  v.nickName = ToSjis(nick_->text());
  v.delPass = ToSjis(delPass_->text());
  v.userName = ToSjis(user_->text());
  v.password = ToSjis(password_->text());
  if (v.feed) {
    v.feedAddress = ToSjis(feedAddress_->text().trimmed());
    v.updatesTurnUnread = feedUnread_->isChecked();
  }
  return v;
}

}  // namespace bq::gui
