#pragma once
// The properties dialog "プロパティ" of the open folder: pages "基本設定" and
// "ユーザー情報", and the hidden "拡張設定". It shows
// app::PropertiesValues and collects them; "更新" is app::ApplyProperties.
#include <QDialog>
#include <string>
#include <vector>

#include "app/core/dialogs/properties_model.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;

namespace bq::gui {

class PropertiesDialog : public QDialog {
  Q_OBJECT

 public:
  // scripts: the script list; addresses: the address history (Shift_JIS).
  PropertiesDialog(const app::PropertiesValues& values, const std::vector<std::string>& scripts,
                   const std::vector<std::string>& addresses, QWidget* parent = nullptr);
  app::PropertiesValues Values() const;

  QTabWidget* Tabs() const { return tabs_; }
  QSpinBox* LastTopicSpin() const { return lastTopic_; }
  QLineEdit* LatestDateEdit() const { return latestDate_; }
  QLineEdit* LastRoundEdit() const { return lastRound_; }
  QComboBox* ScriptCombo() const { return script_; }
  QComboBox* AddressCombo() const { return address_; }
  QCheckBox* RoundCheck() const { return round_; }
  QCheckBox* CookiesCheck() const { return cookies_; }
  QCheckBox* RenderJsCheck() const { return renderJs_; }
  QComboBox* CharsetCombo() const { return charset_; }
  QCheckBox* OptionCheck(int i) const { return options_[i]; }  // body, columns, tree, index, newest first
  QComboBox* MailCombo() const { return mail_; }
  QComboBox* HomeCombo() const { return home_; }
  QLineEdit* NickEdit() const { return nick_; }
  QLineEdit* DelPassEdit() const { return delPass_; }
  QLineEdit* UserEdit() const { return user_; }
  QLineEdit* PasswordEdit() const { return password_; }
  QLineEdit* RefererEdit() const { return referer_; }
  // A feed folder's group "フィード" (nullptr for a script folder).
  QLineEdit* FeedEdit() const { return feedAddress_; }
  QCheckBox* FeedUnreadCheck() const { return feedUnread_; }
  QLineEdit* FeedReplyEdit() const { return feedReply_; }

 private:
  QWidget* BasicPage(const std::vector<std::string>& scripts, const std::vector<std::string>& addresses);
  QWidget* UserPage();
  QWidget* ExtendedPage();
  QWidget* FeedGroup(QWidget* page);

  app::PropertiesValues values_;
  QTabWidget* tabs_;
  QSpinBox* lastTopic_ = nullptr;
  QLineEdit *latestDate_ = nullptr, *lastRound_ = nullptr;
  QComboBox *script_ = nullptr, *address_ = nullptr, *mail_ = nullptr, *home_ = nullptr;
  QCheckBox* round_ = nullptr;
  QCheckBox* cookies_ = nullptr;
  QCheckBox* renderJs_ = nullptr;
  QComboBox* charset_ = nullptr;
  QCheckBox* options_[5] = {};
  QLineEdit *nick_ = nullptr, *delPass_ = nullptr, *user_ = nullptr, *password_ = nullptr,
            *referer_ = nullptr;
  QLineEdit *feedAddress_ = nullptr, *feedReply_ = nullptr;
  QCheckBox* feedUnread_ = nullptr;
};

}  // namespace bq::gui
