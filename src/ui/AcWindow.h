// The window "Параметры и конфигурация подвески переменного тока": earth
// conductivity, the conductor radii (shown only: they come from the
// catalogues), the catenary geometry and the air temperature.
#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace tps::ui {

class MainWindow;

class AcWindow : public QWidget {
  Q_OBJECT
 public:
  explicit AcWindow(MainWindow* main);

  // The fields from the parameter block (on showing and on "Вернуть").
  void ParamsToAcForm();
  // "Cохранить": the fields into the parameter block, then the scheme's state saved.
  void AcFormToParams();

  QLineEdit* Field(const char* name) const;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  MainWindow* main_;
  QLineEdit* earth_;
  QLineEdit* radii_[5];
  QLineEdit* geometry_[8];
};

}  // namespace tps::ui
