// The train lists of the main window and their buttons.
#include <QListWidget>

#include "driver/testrun.h"
#include "params/trains.h"
#include "ui/MainWindow.h"

namespace tps::ui {

void MainWindow::AddTrainClicked(int track) {
  if (RunActive()) return;
  Guard([&] {
    FormToParams();
    // The scale of the new train's picture; a refused train leaves it as it was.
    const double scale = picture_.PixelsPerKm;
    SetScale(picture_, state_.Params.ZoneLength.Get());
    if (!AddTrainButton(state_, track)) picture_.PixelsPerKm = scale;
  });
  ShowTrainLists();
  UpdateControls();
  UpdatePicture();
}

void MainWindow::RemoveTrainClicked(int track) {
  if (RunActive()) return;
  QListWidget* list = track == 1 ? list1_ : list2_;
  QListWidgetItem* item = list->currentItem();
  if (!item) return;
  Guard([&] { RemoveTrain(state_, TrainNumberFromLine(item->text().toStdString())); });
  ShowTrainLists();
  if (state_.Trains.Empty()) state_.Controls.ZoneLengthEnabled = true;
  UpdateControls();
  UpdatePicture();
}

void MainWindow::ClearAllClicked() {
  if (RunActive()) return;
  Guard([&] {
    RemoveAllTrains(state_);
    state_.ModelTime = 0;
  });
  state_.Controls.ZoneLengthEnabled = true;
  ShowTrainLists();
  ShowClock();
  UpdateControls();
  UpdatePicture();
}

void MainWindow::ShowTrainLists() {
  const TrainLists lines = tps::ShowTrainLists(state_);
  // The lines are rewritten in place, so the selection and the sideways
  // scroll survive a step; the list is laid out at once rather than at the
  // next turn of the event loop, which a run reaches only after it has
  // refilled the lists again (they would be painted blank all run long).
  auto fill = [](QListWidget* list, const std::vector<std::string>& rows) {
    // A selection follows its train; when that train has gone, nothing stays
    // selected (a write-off must never hit the train that moved up into its row).
    const int row = list->currentRow();
    const int selected = row >= 0 ? TrainNumberFromLine(list->item(row)->text().toStdString()) : 0;
    const int n = static_cast<int>(rows.size());
    while (list->count() > n) delete list->takeItem(list->count() - 1);
    for (int k = 0; k < n; ++k) {
      const QString text = QString::fromStdString(rows[k]);
      if (k < list->count()) {
        if (list->item(k)->text() != text) list->item(k)->setText(text);
      } else {
        list->addItem(text);
      }
    }
    if (row >= 0 && (row >= n || TrainNumberFromLine(rows[row]) != selected)) {
      list->clearSelection();
      list->setCurrentRow(-1);
    }
    list->doItemsLayout();
    list->viewport()->update();
  };
  fill(list1_, lines.Track1);
  fill(list2_, lines.Track2);
}

}  // namespace tps::ui
