// The schedule editor "Чтение ГДП": the time points of a schedule, the events
// of the selected point and the details of the selected event side by side;
// under them the time of an event, the event and its parameters with the
// buttons that add, replace and delete; "Выйти" and "Сохранить и выйти".
// The dialog is modal and opens without blocking its caller; every button
// copies the boxes into the editor, calls one operation of the editor and
// shows it again.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "driver/schedule_edit.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tps::ui {

class MainWindow;

class ScheduleEditor : public QDialog {
  Q_OBJECT
 public:
  ScheduleEditor(MainWindow* main, AppState& st);

  // "Новый ГДП" (the window's fields already in the parameter block),
  // "Просмотр ГДП" / "Смотреть ГДП" and "Редагировать ГДП" on a schedule of
  // the list. False when the schedule could not be read (the error shown).
  bool OpenNew();
  bool OpenView(const std::string& file);
  bool OpenEdit(const std::string& file);

  TScheduleEditor& Editor() { return ed_; }

  // Asks for the name to save under, offering `preset`; returns the chosen
  // program path, "" when cancelled. The file dialog by default; the tests
  // answer it themselves.
  std::function<std::string(const std::string& preset)> askSaveName;
  // After "Сохранить и выйти", whether saved or not: the list of schedules again.
  std::function<void()> onSaveDone;

 public slots:
  void reject() override;  // "Выйти" and the window's close button

 private:
  void Open(bool ok);
  void Activate();
  void FormToFields();
  void ShowEditor();
  void Run(const std::function<void()>& op);
  void SaveClicked();
  std::string AskSaveNameByDialog(const std::string& preset);

  MainWindow* main_;
  AppState& st_;
  TScheduleEditor ed_;
  bool showing_ = false;

  QListWidget* listTimes_ = nullptr;
  QListWidget* listEvents_ = nullptr;
  QListWidget* listDetails_ = nullptr;
  QGroupBox* panelTime_ = nullptr;
  QGroupBox* panelEvent_ = nullptr;
  QGroupBox* panelParams_ = nullptr;
  QLineEdit* editDays_ = nullptr;
  QLineEdit* editHours_ = nullptr;
  QLineEdit* editMinutes_ = nullptr;
  QLineEdit* editNumber_ = nullptr;
  QComboBox* comboKind_ = nullptr;
  QComboBox* comboType_ = nullptr;
  QLineEdit* editActive_ = nullptr;
  QLineEdit* editReactive_ = nullptr;
  QLineEdit* editKm_ = nullptr;
  QLineEdit* editSpeed_ = nullptr;
  QPushButton* buttonSave_ = nullptr;
};

}  // namespace tps::ui
