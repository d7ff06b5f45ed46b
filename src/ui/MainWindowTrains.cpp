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
  auto fill = [](QListWidget* list, const std::vector<std::string>& rows) {
    list->clear();
    for (const std::string& r : rows) list->addItem(QString::fromStdString(r));
  };
  fill(list1_, lines.Track1);
  fill(list2_, lines.Track2);
}

}  // namespace tps::ui
