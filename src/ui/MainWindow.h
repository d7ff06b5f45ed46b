// The main window: owns the program's state and shows it.
#pragma once

#include <QMainWindow>
#include <memory>

#include "params/state.h"
#include "ui/QtHost.h"

namespace tps::ui {

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  AppState& State() { return state_; }

 private:
  AppState state_;
  std::unique_ptr<QtHost> host_;
};

}  // namespace tps::ui
