#include "ui/MainWindow.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

#include "params/errors.h"
#include "params/lifecycle.h"

namespace tps::ui {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QString::fromUtf8("Расчет схем электроснабжения матричным методом "));
  host_ = std::make_unique<QtHost>(this);
  state_.Host = host_.get();
  setFixedSize(790, 524);
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    QRect r = s->availableGeometry();
    move(r.center() - rect().center());
  }
  try {
    StartUp(state_);
  } catch (const std::exception& e) {
    QMessageBox::critical(this, windowTitle(), QString::fromStdString(e.what()));
  }
}

MainWindow::~MainWindow() {
  try {
    ShutDown(state_);
  } catch (...) {
  }
}

}  // namespace tps::ui
