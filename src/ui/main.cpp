#include <QApplication>

#include "ui/MainWindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tps::ui::MainWindow w;
  w.show();
  return app.exec();
}
