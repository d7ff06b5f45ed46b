// The schedule panel: the file list on the left with "Удалить ГДП" under it,
// the details of the selected schedule on the right.
#include "ui/SchedulePanel.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace tps::ui {

namespace {

QString U(const char* s) {
  return QString::fromUtf8(s);
}
QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// A Windows colour value 0x00BBGGRR as a style sheet colour; 0 leaves the
// label in the window's text colour.
QString ColourSheet(uint32_t c) {
  if (c == 0) return QString();
  const QColor q(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return QString("color: %1;").arg(q.name());
}

}  // namespace

SchedulePanel::SchedulePanel(QWidget* parent, int width, int height) : QGroupBox(U("Расчет по ГДП"), parent) {
  setObjectName("schedulePanel");
  resize(width, height);
  const int listW = 96;
  list_ = new QListWidget(this);
  list_->setObjectName("listSchedules");
  list_->setGeometry(6, 16, listW, height - 16 - 30);
  buttonDelete_ = new QPushButton(U("Удалить ГДП"), this);
  buttonDelete_->setObjectName("buttonDeleteSchedule");
  buttonDelete_->setGeometry(6, height - 27, listW, 22);

  // Each value right of its caption; the scheme's name, the longest, on a
  // line of its own under "Схема".
  const int x = 6 + listW + 8;
  QLabel* values[4];
  const char* captions[4] = {"Длина зоны -", "Схема", "Шаг -", "Время:"};
  const char* names[4] = {"labelScheduleLength", "labelScheduleScheme", "labelScheduleStep",
                          "labelScheduleTime"};
  const int rows[4] = {0, 1, 3, 4};
  for (int k = 0; k < 4; ++k) {
    auto* caption = new QLabel(U(captions[k]), this);
    const int y = 17 + 18 * rows[k];
    caption->setGeometry(x, y, caption->sizeHint().width(), 16);
    const bool below = k == 1;
    const int vx = below ? x + 8 : x + caption->width() + 6;
    values[k] = new QLabel(this);
    values[k]->setObjectName(names[k]);
    values[k]->setGeometry(vx, below ? y + 18 : y, width - 6 - vx, 16);
  }
  valueLength_ = values[0];
  valueScheme_ = values[1];
  valueStep_ = values[2];
  valueTime_ = values[3];

  connect(list_, &QListWidget::itemClicked, this, [this] {
    if (onFileClicked) onFileClicked();
  });
  connect(buttonDelete_, &QPushButton::clicked, this, [this] {
    if (onDeleteClicked) onDeleteClicked();
  });
}

void SchedulePanel::ShowFiles(const std::vector<std::string>& files, const std::string& selected) {
  list_->clear();
  for (const std::string& f : files) {
    list_->addItem(Q(f));
    if (f == selected) list_->setCurrentRow(list_->count() - 1);
  }
}

void SchedulePanel::ShowInfo(const ScheduleInfo& info) {
  valueLength_->setText(Q(info.LengthText));
  valueScheme_->setText(Q(info.SchemeName));
  valueStep_->setText(Q(info.StepText));
  valueTime_->setText(Q(info.DurationText));
}

void SchedulePanel::ShowColours(const ScheduleLabels& colours) {
  valueScheme_->setStyleSheet(ColourSheet(colours.Scheme));
  valueLength_->setStyleSheet(ColourSheet(colours.ZoneLength));
  valueStep_->setStyleSheet(ColourSheet(colours.Step));
}

std::string SchedulePanel::SelectedFile() const {
  const QListWidgetItem* item = list_->currentItem();
  return item ? item->text().toStdString() : std::string();
}

bool SchedulePanel::Empty() const {
  return list_->count() == 0;
}

}  // namespace tps::ui
