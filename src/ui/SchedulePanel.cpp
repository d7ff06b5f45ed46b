// The schedule panel: the file list on the left with "Удалить ГДП" under it,
// the details of the selected schedule on the right.
#include "ui/SchedulePanel.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "ui/Anchors.h"

namespace tps::ui {

namespace {

QString U(const char* s) {
  return QString::fromUtf8(s);
}
QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// A label's text in a Windows colour value 0x00BBGGRR; 0 gives it back the
// window's text colour. The palette keeps the label's font and size, as a
// style sheet would not.
void Colour(QLabel* l, uint32_t c) {
  QPalette p = l->parentWidget()->palette();
  if (c != 0) p.setColor(QPalette::WindowText, QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
  l->setPalette(p);
}

}  // namespace

SchedulePanel::SchedulePanel(QWidget* parent, int width, int height) : QGroupBox(U("Расчет по ГДП"), parent) {
  setObjectName("schedulePanel");
  resize(width, height);
  // The list as wide as the button under it.
  buttonDelete_ = new QPushButton(U("Удалить ГДП"), this);
  buttonDelete_->setObjectName("buttonDeleteSchedule");
  const int listW = std::max(76, buttonDelete_->sizeHint().width());
  list_ = new QListWidget(this);
  list_->setObjectName("listSchedules");
  list_->setGeometry(6, 16, listW, height - 16 - 30);
  buttonDelete_->setGeometry(6, height - 27, listW, 22);

  // Right of the list, three lines of details: the zone length and the step,
  // the duration, the scheme; each value right of its caption.
  const int x = 6 + listW + 4;
  QLabel* values[4];
  const char* captions[4] = {"Длина зоны -", "Схема", "Шаг -", "Время:"};
  const char* names[4] = {"labelScheduleLength", "labelScheduleScheme", "labelScheduleStep",
                          "labelScheduleTime"};
  const int rows[4] = {0, 2, 0, 1};
  const int stepX = x + (width - 6 - x) / 2;
  const int lefts[4] = {x, x, stepX, x};
  const int rights[4] = {stepX - 4, width - 6, width - 6, width - 6};
  auto* anchors = new AnchorLayout(this);
  // A taller panel gives its height to the list; a wider one its width to
  // the details and the editor's buttons.
  anchors->Add(list_, {0, 0, 0, 1});
  anchors->Add(buttonDelete_, {0, 1, 0, 1});
  for (int k = 0; k < 4; ++k) {
    auto* caption = new QLabel(U(captions[k]), this);
    const int y = 16 + 16 * rows[k];
    caption->setGeometry(lefts[k], y, caption->sizeHint().width(), 16);
    const int vx = lefts[k] + caption->width() + 3;
    values[k] = new QLabel(this);
    values[k]->setObjectName(names[k]);
    values[k]->setGeometry(vx, y, rights[k] - vx, 16);
    if (rights[k] == width - 6) anchors->Add(values[k], {0, 0, 1, 0});
  }

  // Under the details, the editor's buttons in two rows.
  const char* editorCaptions[3] = {"Новый ГДП", "Просмотр ГДП", "Редагировать ГДП"};
  const char* editorNames[3] = {"buttonNewSchedule", "buttonViewSchedule", "buttonEditSchedule"};
  std::function<void()>* editorHandlers[3] = {&onNewClicked, &onViewClicked, &onEditClicked};
  const int half = (width - 6 - x - 4) / 2;
  const QRect places[3] = {QRect(x, height - 51, half, 22), QRect(x + half + 4, height - 51, half, 22),
                           QRect(x, height - 27, 2 * half + 4, 22)};
  for (int k = 0; k < 3; ++k) {
    auto* b = new QPushButton(U(editorCaptions[k]), this);
    b->setObjectName(editorNames[k]);
    b->setGeometry(places[k]);
    const Anchor shares[3] = {{0, 1, 0.5, 1}, {0.5, 1, 1, 1}, {0, 1, 1, 1}};
    anchors->Add(b, shares[k]);
    std::function<void()>* handler = editorHandlers[k];
    connect(b, &QPushButton::clicked, this, [handler] {
      if (*handler) (*handler)();
    });
  }
  anchors->Freeze();
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
  Colour(valueScheme_, colours.Scheme);
  Colour(valueLength_, colours.ZoneLength);
  Colour(valueStep_, colours.Step);
}

std::string SchedulePanel::SelectedFile() const {
  const QListWidgetItem* item = list_->currentItem();
  return item ? item->text().toStdString() : std::string();
}

bool SchedulePanel::Empty() const {
  return list_->count() == 0;
}

}  // namespace tps::ui
