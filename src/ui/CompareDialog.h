// "Сравнение схем" of the menu "Задачи": the schemes that fit the zone run on
// the schedule selected in the schedule mode, or on the same realizations of
// the random flow in the probabilistic mode, side by side on every core; the
// table of their figures, the best of them and why, and the chart of losses
// and lowest voltages. A thin dialog over CompareSchemes.
#pragma once

#include <memory>

#include "tasks/compare.h"
#include "ui/TaskDialogs.h"

class QLabel;
class QTableWidget;

namespace tps::ui {

class CompareDialog : public StudyDialog {
  Q_OBJECT
 public:
  explicit CompareDialog(MainWindow* main);
  QTableWidget* Table() const { return table_; }
  QLabel* Best() const { return best_; }
  QLabel* Chart() const { return chart_; }
  QCheckBox* BestPosts() const { return bestPosts_; }
  QLineEdit* RunsEdit() const { return runs_; }
  const CompareResult& Result() const { return *result_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void ShowProgress(size_t done, size_t total) override;

 private:
  void StartClicked();
  void ShowResult();
  QCheckBox* bestPosts_ = nullptr;
  QLineEdit* runs_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLabel* best_ = nullptr;
  QLabel* chart_ = nullptr;
  std::shared_ptr<CompareResult> result_ = std::make_shared<CompareResult>();
};

}  // namespace tps::ui
