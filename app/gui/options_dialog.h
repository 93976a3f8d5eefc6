#pragma once
// The options dialog "オプション設定" with its pages "全般", "表示フォント"
// and "巡回". It shows app::OptionsValues and collects them; what OK changes
// is app::ApplyOptions.
#include <QDialog>
#include <array>

#include "app/core/dialogs/options_model.h"
#include "app/gui/dialog_pickers.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace bq::gui {

class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  OptionsDialog(const app::OptionsValues& values, DialogPickers& pickers = DialogPickers::Standard(),
                QWidget* parent = nullptr);
  app::OptionsValues Values() const;

  QTabWidget* Tabs() const { return tabs_; }
  QLineEdit* DataFolderEdit() const { return folder_; }
  QRadioButton* StatusButton(int i) const { return status_[i]; }
  QCheckBox* ClockCheck() const { return clock_; }
  QCheckBox* UnreadCountsCheck() const { return counts_; }
  QCheckBox* SortCheck() const { return sort_; }
  QCheckBox* ReferCheck() const { return refer_; }
  QCheckBox* IconCheck() const { return icons_; }
  QCheckBox* HideCheck() const { return hide_; }
  QRadioButton* FontSetButton(int i) const { return fontSet_[i]; }
  QPushButton* FontLabel() const { return fontLabel_; }
  QPushButton* ColorButton() const { return colorButton_; }
  QLineEdit* ColorEdit() const { return colorEdit_; }
  QCheckBox* HourCheck(int h) const { return hours_[static_cast<std::size_t>(h)]; }
  QPushButton* HourButton(int i) const { return hourButtons_[static_cast<std::size_t>(i)]; }
  QSpinBox* MinuteSpin() const { return minute_; }
  QCheckBox* ScheduleCheck() const { return schedule_; }
  QSpinBox* TimeoutSpin() const { return timeout_; }
  QCheckBox* NewsCheck() const { return news_; }
  QSpinBox* IntervalSpin() const { return interval_; }
  // "次の定時巡回: ..." under the schedule, following its controls.
  QLabel* NextRoundLabel() const { return nextRound_; }

 private:
  QWidget* GeneralPage();
  QWidget* FontPage();
  QWidget* RoundPage();
  void ShowFont();
  void ShowColor();
  void ShowNextRound();
  void SetHours(app::HourChecks hours);
  app::HourChecks Hours() const;

  DialogPickers& pickers_;
  app::OptionsValues values_;
  QTabWidget* tabs_;
  QLineEdit* folder_ = nullptr;
  QRadioButton* status_[2] = {};
  QCheckBox *clock_ = nullptr, *sort_ = nullptr, *refer_ = nullptr, *icons_ = nullptr, *hide_ = nullptr,
            *counts_ = nullptr;
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
  QLabel* nextRound_ = nullptr;
};

}  // namespace bq::gui
