// The scheme constructor "GraffSchemConstruct": a wizard that composes a user
// circuit chain by chain ("Далее >" moves on through the current kind, the
// chains, the mutual impedances on AC, the single connections, the rows of
// connections and the chart choices), saves and loads it as a graph of the
// folder "graff", and starts its schedule run. Every button calls one
// operation of circuit/constructor.h.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "driver/testrun.h"
#include "params/state.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace tps::ui {

class ConstructorWindow : public QDialog {
  Q_OBJECT
 public:
  ConstructorWindow(AppState& st, QWidget* main);

  // Runs a command showing any failure of the engine in the error box.
  std::function<bool(const std::function<void()>&)> guard;
  // The start button of the final screen: the schedule run of the main window.
  std::function<RunOutcome()> startRun;
  // The name ("graff\NAME.grf") the save dialog gives; empty when cancelled.
  std::function<std::string()> askSaveName;

  // Shows the window modally at step 0; the run mode is the constructor's
  // while it is open and the schedule mode after it.
  void Open();
  // The screen of the current wizard step.
  void ShowStep();

  // Handlers (public for the window tests).
  void NextClicked();
  void RestartClicked();
  void AddChainClicked();
  void AddMutualClicked();
  void AddConnectionClicked();
  void AddRowClicked();
  void SaveClicked();
  void DeleteClicked();
  void FileDoubleClicked(const std::string& name);
  void StartClicked();
  void RefreshFiles();

  QRadioButton* radioDc;
  QRadioButton* radioAc;
  QCheckBox* boxConsole;
  QGroupBox* groupType;
  QGroupBox* groupChain;
  QGroupBox* groupMutual;
  QGroupBox* groupPost;
  QGroupBox* groupRow;
  QGroupBox* groupCharts;
  QComboBox* comboKind;
  QRadioButton* radioActive;
  QRadioButton* radioPassive;
  QLineEdit *editR, *editX, *editUaRe, *editUaIm, *editUbRe, *editUbIm;
  QComboBox *comboMutualA, *comboMutualB;
  QLineEdit *editMutualR, *editMutualX;
  QComboBox *comboPostA, *comboPostB;
  QLineEdit* editPostL;
  QComboBox *comboRowA, *comboRowB;
  QLineEdit *editL1, *editL2, *editStep, *editRowR, *editRowX;
  QComboBox* comboChart[4];
  QListWidget *listChains, *listMutual, *listConnections, *listRows, *listFiles;
  QPushButton *buttonNext, *buttonRestart, *buttonSave, *buttonDelete, *buttonStart;

 private:
  void ShowLists();
  void FillChains(QComboBox* a, QComboBox* b, bool onlyWithTwo);
  void Run(const std::function<void()>& command);
  AppState& st_;
};

}  // namespace tps::ui
