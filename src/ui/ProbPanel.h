// The probabilistic panel of the main window (probabilistic mode): the
// minimum interval J, the calculation period T, the maximum number of trains
// Nmax (computed), "Ждать ухода поездов", "Параметры" and "Запись
// вероятностного ГДП".
#pragma once

#include <QGroupBox>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace tps::ui {

class ProbPanel : public QGroupBox {
  Q_OBJECT
 public:
  ProbPanel(QWidget* parent, int width, int height);

  std::string Interval() const;
  std::string Period() const;
  bool Wait() const;
  // The J box after its filter (the cursor stays at the end), and Nmax.
  void ShowInterval(const std::string& text);
  void ShowNmax(const std::string& text);

  std::function<void()> onIntervalEdited;
  std::function<void()> onPeriodChosen;
  std::function<void()> onParamsClicked;
  std::function<void()> onRecordClicked;

 private:
  QLineEdit* editJ_ = nullptr;
  QComboBox* comboPeriod_ = nullptr;
  QLineEdit* editNmax_ = nullptr;
  QCheckBox* checkWait_ = nullptr;
  QPushButton* buttonParams_ = nullptr;
  QPushButton* buttonRecord_ = nullptr;
};

}  // namespace tps::ui
