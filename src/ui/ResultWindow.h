// The result window "Результат": the report, one line per list item.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

namespace tps::ui {

class ResultWindow : public QDialog {
  Q_OBJECT
 public:
  explicit ResultWindow(QWidget* main);
  // Shows the lines, centred on the main window, blocking the main window;
  // the window widens to the longest line and can be resized.
  void Open(const std::vector<std::string>& lines);
  QListWidget* List() const { return list_; }

 private:
  QListWidget* list_;
};

}  // namespace tps::ui
