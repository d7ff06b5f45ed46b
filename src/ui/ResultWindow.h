// The result window "Результат": the report, one line per list item, and
// beside it the block "Соответствие нормам" of the run (not part of the report).
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QGroupBox;
class QListWidget;
class QPushButton;

namespace tps::ui {

class ResultWindow : public QDialog {
  Q_OBJECT
 public:
  explicit ResultWindow(QWidget* main);
  // Shows the lines, centred on the main window, blocking the main window;
  // the window widens to the longest line and can be resized.
  // The norm block is shown when it has lines.
  void Open(const std::vector<std::string>& lines, const std::vector<std::string>& normLines = {});
  QListWidget* List() const { return list_; }
  QListWidget* NormsList() const { return norms_; }
  QGroupBox* NormsBox() const { return normsBox_; }
  // "Сохранить по шагам…" and "Сохранить отчёт…"; the main window answers them.
  QPushButton* SaveStepsButton() const { return saveSteps_; }
  QPushButton* SaveReportButton() const { return saveReport_; }

 private:
  QListWidget* list_;
  QGroupBox* normsBox_;
  QListWidget* norms_;
  QPushButton* saveSteps_;
  QPushButton* saveReport_;
};

}  // namespace tps::ui
