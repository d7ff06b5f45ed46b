// The study dialogs of the menu "Задачи": "Статистический анализ", "Задача
// оптимальной установки ПСК" and "Оптимизируем установку ПСК и ППС". A study
// runs off the window's thread on a copy of the main window's state, so the
// windows stay responsive; its progress is shown every tenth of a second and
// the state it leaves comes back into the main window when it ends.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "params/host.h"
#include "params/state.h"
#include "tasks/study.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tps::ui {

class MainWindow;

class StudyDialog : public QDialog {
  Q_OBJECT
 public:
  StudyDialog(MainWindow* main, const char* name, const char* caption);
  ~StudyDialog() override;
  bool Running() const { return thread_.joinable(); }
  // "Визуализация": the runs under way shown in the main window, and the
  // most trains one of them had on the zone.
  int FramesShown() const { return framesShown_; }
  size_t MostTrainsShown() const { return mostTrains_; }
  QPushButton* StartButton() const { return start_; }
  QPushButton* StopButton() const { return stop_; }

 protected:
  // Runs `study` on a copy of the main window's state off the window's
  // thread; `done` follows on the window's thread once the state is back.
  void Launch(std::function<void(AppState&, StudyControl&)> study, std::function<void()> done);
  // Progress: runs done of the study's total, on the bar of `range`.
  virtual void ShowProgress(size_t done, size_t total) = 0;
  // The steps the runs of the study have solved so far, and those of the
  // runs under way; the runs made side by side.
  uint64_t StepsSolved() const { return ctl_.Steps.load(); }
  uint64_t StepsUnderWay() const { return ctl_.Steps.load() - ctl_.StepsOfRunsDone.load(); }
  unsigned Jobs() const { return ctl_.Jobs; }
  void closeEvent(QCloseEvent* e) override;

  MainWindow* main_;
  QProgressBar* bar_ = nullptr;
  QLabel* percent_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QCheckBox* pictures_ = nullptr;

 private:
  void Tick();
  void StopClicked();

  StudyControl ctl_;
  // "Визуализация": what the run under way last showed, handed from the
  // study's thread to the window's.
  std::mutex viewLock_;
  std::unique_ptr<AppState> view_;
  bool viewFresh_ = false;
  int framesShown_ = 0;
  size_t mostTrains_ = 0;
  // The working directory, held while the study runs.
  WorkDirLock lock_;
  std::unique_ptr<AppState> copy_;
  RecordingHost host_;
  std::thread thread_;
  std::atomic<bool> finished_{false};
  std::atomic<size_t> done_{0}, total_{0};
  std::string error_;
  std::function<void()> whenDone_;
  QTimer timer_;
  bool closeWhenDone_ = false;
};

// "Статистический анализ".
class StatisticsDialog : public StudyDialog {
  Q_OBJECT
 public:
  explicit StatisticsDialog(MainWindow* main);
  QLineEdit* RunsEdit() const { return runs_; }
  QLabel* PercentLabel() const { return percent_; }
  QLabel* SpeedLabel() const { return speed_; }
  QProgressBar* Bar() const { return bar_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void ShowProgress(size_t done, size_t total) override;

 private:
  void StartClicked();
  QLineEdit* runs_ = nullptr;
  QLabel* speed_ = nullptr;
  // The study under way: its realizations and the steps of each, the part
  // shown last, and the steps and time of the last reading of the speed.
  size_t runsTotal_ = 0;
  double stepsPerRun_ = 0;
  double shown_ = 0;
  uint64_t speedSteps_ = 0;
  QElapsedTimer speedClock_;
};

// "Задача оптимальной установки ПСК" (posts = 1) and "Оптимизируем
// установку ПСК и ППС" (posts = 3).
class PlacementDialog : public StudyDialog {
  Q_OBJECT
 public:
  PlacementDialog(MainWindow* main, int posts);
  QLineEdit* FromEdit() const { return from_; }
  QLineEdit* ToEdit() const { return to_; }
  QLineEdit* StepEdit() const { return step_; }
  // The result boxes: ПСК loss and place; or ППС 1, ПСК, ППС 2, loss.
  QLineEdit* Result(int k) const { return results_[k]; }
  QLabel* Note() const { return note_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void ShowProgress(size_t done, size_t total) override;

 private:
  void StartClicked();
  int posts_;
  QLabel* note_ = nullptr;
  QLineEdit* from_ = nullptr;
  QLineEdit* to_ = nullptr;
  QLineEdit* step_ = nullptr;
  QLineEdit* results_[4] = {};
};

}  // namespace tps::ui
