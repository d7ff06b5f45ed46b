// "Параметры поездов для вероятностного метода расчёта": per train type the
// ranges of the active and reactive current and of the speed, and the number
// of trains in the period, with their total; "Сохранить" stores them in
// "data\prelvoz.dmt", "Вернуть" reloads them from it.
#pragma once

#include <QDialog>

class QLineEdit;
class QTableWidget;

namespace tps::ui {

class MainWindow;

class ProbParamsWindow : public QDialog {
  Q_OBJECT
 public:
  explicit ProbParamsWindow(MainWindow* main);

  // Loads the file into the grid and shows the form.
  void Open();
  void SaveClicked();
  void RevertClicked();
  // "Всего" from the four counts when none is empty.
  void ShowTotal();

 private:
  void GridFromState();
  void GridToState();

  MainWindow* main_;
  QTableWidget* grid_ = nullptr;
  QLineEdit* editTotal_ = nullptr;
  bool filling_ = false;
};

}  // namespace tps::ui
