// The schedule panel of the main window (schedule mode): the list of the
// schedule files "gdp\*.gdp", "Удалить ГДП", and the details of the selected
// schedule - zone length, scheme, step and duration - whose value labels are
// coloured green or red as the schedule check finds them against the zone.
#pragma once

#include <QGroupBox>
#include <functional>
#include <string>
#include <vector>

#include "driver/runs.h"
#include "params/state.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace tps::ui {

class SchedulePanel : public QGroupBox {
  Q_OBJECT
 public:
  SchedulePanel(QWidget* parent, int width, int height);

  // The list's files with `selected` current (none when empty).
  void ShowFiles(const std::vector<std::string>& files, const std::string& selected);
  void ShowInfo(const ScheduleInfo& info);
  // The value labels in the colours of the last schedule check (0: uncoloured).
  void ShowColours(const ScheduleLabels& colours);
  // The selected file, "" when the list is empty.
  std::string SelectedFile() const;
  bool Empty() const;

  std::function<void()> onFileClicked;
  std::function<void()> onDeleteClicked;
  // "Новый ГДП", "Просмотр ГДП", "Редагировать ГДП": the schedule editor.
  std::function<void()> onNewClicked;
  std::function<void()> onViewClicked;
  std::function<void()> onEditClicked;

 private:
  QListWidget* list_ = nullptr;
  QPushButton* buttonDelete_ = nullptr;
  QLabel* valueLength_ = nullptr;
  QLabel* valueScheme_ = nullptr;
  QLabel* valueStep_ = nullptr;
  QLabel* valueTime_ = nullptr;
};

}  // namespace tps::ui
