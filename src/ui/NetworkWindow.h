// The traction-network window "Параметры тяговой сети": for the messenger,
// contact wire, reinforcing feeder and rail, the resistance in use and the
// list of the catalogue of the scheme's current kind to choose from.
#pragma once

#include <QDialog>

#include "params/catalogue.h"
#include "params/params.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tps::ui {

class MainWindow;

class NetworkWindow : public QDialog {
  Q_OBJECT
 public:
  explicit NetworkWindow(MainWindow* main);

  // The lists from the loaded tables, no entry chosen.
  void FillLists();
  // The four resistance fields from the parameter block ("Отсутствует" for a
  // feeder of resistance 0).
  void ShowParams(const TParamBlock& p);
  // The resistance fields into the parameter block; a value shown unchanged
  // keeps its exact bits.
  void FormToParams(TParamBlock& p) const;

  // Rows 0..3: messenger, contact wire, feeder, rail.
  QComboBox* List(int row) const { return lists_[row]; }
  QLineEdit* Resistance(int row) const { return edits_[row]; }
  QPushButton* OkButton() const { return ok_; }

 private:
  void Choose(int row, int index);
  void OkClicked();

  MainWindow* main_;
  QLineEdit* edits_[4] = {};
  QComboBox* lists_[4] = {};
  QPushButton* ok_ = nullptr;
};

}  // namespace tps::ui
