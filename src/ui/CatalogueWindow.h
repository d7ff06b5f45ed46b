// The catalogue window: one of the eight conductor tables as three columns
// (marking, resistance, radius; the radius hidden for direct current), each a
// list over an edit field, with "Создать", "Сохранить", "Загрузить",
// "Удалить" and "Закрыть".
#pragma once

#include <QDialog>
#include <vector>

#include "params/catalogue.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tps::ui {

class MainWindow;

class CatalogueWindow : public QDialog {
  Q_OBJECT
 public:
  explicit CatalogueWindow(MainWindow* main);

  // Sets the catalogue index, fills the window from the table file and shows
  // it, blocking the main window.
  void Open(int index);
  int Index() const { return index_; }
  std::vector<CatalogueRow> Rows() const;

  QListWidget* List(int column) const { return lists_[column]; }
  QLineEdit* Edit(int column) const { return edits_[column]; }
  QLabel* Heading(int column) const { return headings_[column]; }
  // The rows differ from the table file as last loaded or saved.
  bool Edited() const;

  // Closing with edits not saved asks first (OK closes without them).
  void reject() override;

 private:
  void Activate();
  void Load();
  void SelectRow(int row, bool copy);
  void EditChanged(int column, const QString& text);
  void Create();
  void Save();
  void Delete();

  MainWindow* main_;
  int index_ = 0;
  std::vector<CatalogueRow> saved_;
  QLabel* headings_[3] = {};
  QListWidget* lists_[3] = {};
  QLineEdit* edits_[3] = {};
};

}  // namespace tps::ui
