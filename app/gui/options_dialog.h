#pragma once
// The options dialog "オプション設定" with its pages "全般", "表示フォント"
// and "巡回". It shows app::OptionsValues and collects them; what OK changes
// is app::ApplyOptions.
#include <QDialog>
#include <array>
#include <functional>

#include "app/core/dialogs/options_model.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace bq::gui {

class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit OptionsDialog(const app::OptionsValues& values, QWidget* parent = nullptr);
  app::OptionsValues Values() const;

  // The font, colour and folder pickers; tests replace them. Each returns
  // false on cancel.
  std::function<bool(TFont&)> pickFont;
  std::function<bool(std::int32_t&)> pickColor;
  std::function<bool(QString&)> pickFolder;

  QTabWidget* tabs() const { return tabs_; }
  QLineEdit* dataFolderEdit() const { return folder_; }
  QRadioButton* statusButton(int i) const { return status_[i]; }
  QCheckBox* clockCheck() const { return clock_; }
  QCheckBox* sortCheck() const { return sort_; }
  QCheckBox* referCheck() const { return refer_; }
  QCheckBox* iconCheck() const { return icons_; }
  QCheckBox* hideCheck() const { return hide_; }
  QRadioButton* fontSetButton(int i) const { return fontSet_[i]; }
  QPushButton* fontLabel() const { return fontLabel_; }
  QPushButton* colorButton() const { return colorButton_; }
  QLineEdit* colorEdit() const { return colorEdit_; }
  QCheckBox* hourCheck(int h) const { return hours_[static_cast<std::size_t>(h)]; }
  QPushButton* hourButton(int i) const { return hourButtons_[static_cast<std::size_t>(i)]; }
  QSpinBox* minuteSpin() const { return minute_; }
  QCheckBox* scheduleCheck() const { return schedule_; }
  QSpinBox* timeoutSpin() const { return timeout_; }
  QCheckBox* newsCheck() const { return news_; }
  QSpinBox* intervalSpin() const { return interval_; }

 private:
  QWidget* GeneralPage();
  QWidget* FontPage();
  QWidget* RoundPage();
  void ShowFont();
  void ShowColor();
  void SetHours(app::HourChecks hours);
  app::HourChecks Hours() const;

  app::OptionsValues values_;
  QTabWidget* tabs_;
  QLineEdit* folder_ = nullptr;
  QRadioButton* status_[2] = {};
  QCheckBox *clock_ = nullptr, *sort_ = nullptr, *refer_ = nullptr, *icons_ = nullptr, *hide_ = nullptr;
  QRadioButton* fontSet_[3] = {};
  QPushButton* fontLabel_ = nullptr;
  QPushButton* colorButton_ = nullptr;
  QLineEdit* colorEdit_ = nullptr;
  std::array<QCheckBox*, 24> hours_{};
  std::array<QPushButton*, 4> hourButtons_{};
  QSpinBox* minute_ = nullptr;
  QCheckBox* schedule_ = nullptr;
  QSpinBox* timeout_ = nullptr;
  QCheckBox* news_ = nullptr;
  QSpinBox* interval_ = nullptr;
};

}  // namespace bq::gui
