// The window's side of the one writer per working directory: a run started
// from the window holds the working directory, waiting with a box while a
// calculation of another process holds it; and SIGINT or SIGTERM end the
// program as "Выход" does.
#pragma once

#include "params/fileio.h"

class QWidget;

namespace tps::ui {

class MainWindow;

// At once, or once the other calculation has ended, meanwhile showing
// "Рабочая папка занята другим расчётом…" in a box whose "Отмена" gives up
// the run. True when the working directory is held; then the scratch of
// calculations that are gone is removed.
bool HoldWorkDir(QWidget* parent, WorkDirLock& lock, const WorkDir& wd);

// SIGINT and SIGTERM reach the window's event loop and choose "Выход": a run
// under way stops after its step and the window closes.
void ExitOnSignals(MainWindow& window);

}  // namespace tps::ui
