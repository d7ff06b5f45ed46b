// The schedule editor reached from the main window: "Новый ГДП" on the
// window's parameters, "Просмотр ГДП" (and "Смотреть ГДП") and "Редагировать
// ГДП" on the schedule selected in the list; after a save the list shows the
// schedules again. And "О программе", which names the program's version.
#include <QMenuBar>

#include "ui/MainWindow.h"
#include "ui/ScheduleEditor.h"
#include "ui/SchedulePanel.h"

namespace tps::ui {

void MainWindow::BuildScheduleEditor() {
  editor_ = new ScheduleEditor(this, state_);
  editor_->onSaveDone = [this] { ShowScheduleList(); };
  schedulePanel_->onNewClicked = [this] { NewScheduleClicked(); };
  schedulePanel_->onViewClicked = [this] { ViewScheduleClicked(); };
  schedulePanel_->onEditClicked = [this] { EditScheduleClicked(); };

  QMenu* help = menuBar()->addMenu(QString::fromUtf8("Спр&авка"));
  help->setObjectName("menuHelp");
  actAbout_ = help->addAction(QString::fromUtf8("&О программе"));
  actAbout_->setObjectName("actAbout");
  connect(actAbout_, &QAction::triggered, this, [this] { AboutClicked(); });
}

void MainWindow::NewScheduleClicked() {
  if (RunActive()) return;
  // The new schedule takes the zone as the fields show it now.
  if (Guard([&] { FormToParams(); })) editor_->OpenNew();
}

void MainWindow::ViewScheduleClicked() {
  if (RunActive()) return;
  editor_->OpenView(schedulePanel_->SelectedFile());
}

void MainWindow::EditScheduleClicked() {
  if (RunActive()) return;
  editor_->OpenEdit(schedulePanel_->SelectedFile());
}

void MainWindow::AboutClicked() {
  state_.Message(MsgKind::Information,
                 std::string("tpscalc ") + TPS_VERSION + "\nРасчет схем электроснабжения матричным методом");
}

}  // namespace tps::ui
