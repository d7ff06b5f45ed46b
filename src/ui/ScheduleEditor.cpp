#include "ui/ScheduleEditor.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>

#include "ui/MainWindow.h"

namespace tps::ui {

namespace {

QString U(const char* s) {
  return QString::fromUtf8(s);
}
QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

QLabel* Label(QWidget* parent, const char* text, int x, int y) {
  auto* l = new QLabel(U(text), parent);
  l->move(x, y);
  l->adjustSize();
  return l;
}
QLineEdit* Edit(QWidget* parent, const char* name, int x, int y, int w) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setGeometry(x, y, w, 21);
  return e;
}
QPushButton* Button(QWidget* parent, const char* name, const char* text, int x, int y, int w) {
  auto* b = new QPushButton(U(text), parent);
  b->setObjectName(name);
  b->setGeometry(x, y, w, 24);
  return b;
}
// A choice box that shows "Выбор" until one of its items is chosen.
QComboBox* Choice(QWidget* parent, const char* name, const char* const* items, int count, int x, int y,
                  int w) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->setGeometry(x, y, w, 22);
  for (int k = 0; k < count; ++k) c->addItem(U(items[k]));
  c->setPlaceholderText(U(kChoosePrompt));
  c->setCurrentIndex(-1);
  return c;
}
std::string ChoiceText(const QComboBox* c) {
  return c->currentIndex() < 0 ? std::string(kChoosePrompt) : c->currentText().toStdString();
}
void ShowChoice(QComboBox* c, const std::string& text) {
  c->setCurrentIndex(c->findText(Q(text)));
}
void ShowLines(QListWidget* l, const std::vector<std::string>& lines, int current) {
  l->clear();
  for (const std::string& s : lines) l->addItem(Q(s));
  l->setCurrentRow(current);
}

}  // namespace

ScheduleEditor::ScheduleEditor(MainWindow* main, AppState& st) : QDialog(main), main_(main), st_(st) {
  setObjectName("scheduleEditor");
  setWindowTitle(U("Чтение ГДП"));
  setModal(true);
  setFixedSize(690, 420);

  // The three lists side by side.
  const int listY = 24, listH = 220;
  Label(this, "Время", 8, 6);
  listTimes_ = new QListWidget(this);
  listTimes_->setObjectName("listTimes");
  listTimes_->setGeometry(8, listY, 110, listH);
  Label(this, "Событие", 126, 6);
  listEvents_ = new QListWidget(this);
  listEvents_->setObjectName("listEvents");
  listEvents_->setGeometry(126, listY, 316, listH);
  Label(this, "Параметры", 450, 6);
  listDetails_ = new QListWidget(this);
  listDetails_->setObjectName("listDetails");
  listDetails_->setGeometry(450, listY, 232, listH);

  // The time of the event: days, hours, minutes.
  const int panelY = listY + listH + 8, panelH = 124;
  panelTime_ = new QGroupBox(U("Время события"), this);
  panelTime_->setObjectName("panelTime");
  panelTime_->setGeometry(8, panelY, 196, panelH);
  Label(panelTime_, "Сутки", 8, 22);
  editDays_ = Edit(panelTime_, "editDays", 8, 40, 50);
  Label(panelTime_, "Часы", 66, 22);
  editHours_ = Edit(panelTime_, "editHours", 66, 40, 50);
  Label(panelTime_, "Минуты", 124, 22);
  editMinutes_ = Edit(panelTime_, "editMinutes", 124, 40, 64);
  auto* deleteTime = Button(panelTime_, "buttonDeleteTime", "Удалить временную точку", 8, 90, 180);

  // The event: the train number, the kind and the buttons.
  panelEvent_ = new QGroupBox(this);
  panelEvent_->setObjectName("panelEvent");
  panelEvent_->setGeometry(212, panelY, 230, panelH);
  Label(panelEvent_, "Номер", 8, 12);
  editNumber_ = Edit(panelEvent_, "editNumber", 64, 10, 60);
  Label(panelEvent_, "Событие", 8, 40);
  comboKind_ = Choice(panelEvent_, "comboKind", kEventKindItems, 5, 64, 37, 158);
  auto* add = Button(panelEvent_, "buttonAddEvent", "Добавить событие", 8, 66, 214);
  auto* remove = Button(panelEvent_, "buttonDeleteEvent", "Удалить событие", 8, 94, 118);
  auto* replace = Button(panelEvent_, "buttonReplace", "Заменить", 130, 94, 92);

  // The parameters of the train.
  panelParams_ = new QGroupBox(this);
  panelParams_->setObjectName("panelParams");
  panelParams_->setGeometry(450, panelY, 232, panelH);
  Label(panelParams_, "Тип", 8, 12);
  comboType_ = Choice(panelParams_, "comboType", kTrainTypeItems, 4, 122, 9, 102);
  Label(panelParams_, "Ток", 8, 40);
  editActive_ = Edit(panelParams_, "editActive", 122, 37, 49);
  editReactive_ = Edit(panelParams_, "editReactive", 175, 37, 49);
  Label(panelParams_, "Местоположение", 8, 68);
  editKm_ = Edit(panelParams_, "editKm", 122, 65, 102);
  Label(panelParams_, "Скорость", 8, 96);
  editSpeed_ = Edit(panelParams_, "editSpeed", 122, 93, 102);

  auto* exit = Button(this, "buttonExit", "Выйти", 446, 388, 96);
  buttonSave_ = Button(this, "buttonSaveExit", "Сохранить и выйти", 548, 388, 134);

  askSaveName = [this](const std::string& preset) { return AskSaveNameByDialog(preset); };

  connect(listTimes_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!showing_) Run([&] { TimeClicked(st_, ed_, row); });
  });
  connect(listEvents_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!showing_) Run([&] { EventClicked(st_, ed_, row); });
  });
  connect(add, &QPushButton::clicked, this, [this] { Run([&] { AddEventClicked(st_, ed_); }); });
  connect(replace, &QPushButton::clicked, this, [this] { Run([&] { ReplaceClicked(st_, ed_); }); });
  connect(deleteTime, &QPushButton::clicked, this, [this] { Run([&] { DeleteTimeClicked(st_, ed_); }); });
  connect(remove, &QPushButton::clicked, this, [this] { Run([&] { DeleteEventClicked(st_, ed_); }); });
  connect(exit, &QPushButton::clicked, this, [this] { reject(); });
  connect(buttonSave_, &QPushButton::clicked, this, [this] { SaveClicked(); });
  ShowEditor();
}

bool ScheduleEditor::OpenNew() {
  const bool ok = main_->Guard([&] { NewSchedule(st_, ed_); });
  Open(ok);
  return ok;
}

bool ScheduleEditor::OpenView(const std::string& file) {
  const bool ok = main_->Guard([&] { ViewSchedule(st_, ed_, file); });
  Open(ok);
  return ok;
}

bool ScheduleEditor::OpenEdit(const std::string& file) {
  const bool ok = main_->Guard([&] { EditSchedule(st_, ed_, file, true); });
  Open(ok);
  return ok;
}

void ScheduleEditor::Open(bool ok) {
  if (!ok) return;
  ShowEditor();
  open();  // modal, returns at once
  Activate();
}

void ScheduleEditor::Activate() {
  Run([&] { ActivateEditor(st_, ed_); });
}

void ScheduleEditor::reject() {
  ExitEditor(st_, ed_);
  QDialog::reject();
  ShowEditor();
}

void ScheduleEditor::FormToFields() {
  ScheduleEventInput& f = ed_.Fields;
  f.Days = editDays_->text().toStdString();
  f.Hours = editHours_->text().toStdString();
  f.Minutes = editMinutes_->text().toStdString();
  f.TrainNumber = editNumber_->text().toStdString();
  f.Event = ChoiceText(comboKind_);
  f.TrainKind = ChoiceText(comboType_);
  f.Active = editActive_->text().toStdString();
  f.Reactive = editReactive_->text().toStdString();
  f.Km = editKm_->text().toStdString();
  f.Speed = editSpeed_->text().toStdString();
}

void ScheduleEditor::ShowEditor() {
  showing_ = true;
  ShowLines(listTimes_, ed_.Times, ed_.TimeIndex);
  ShowLines(listEvents_, ed_.Events, ed_.EventIndex);
  ShowLines(listDetails_, ed_.Details, -1);
  const ScheduleEventInput& f = ed_.Fields;
  editDays_->setText(Q(f.Days));
  editHours_->setText(Q(f.Hours));
  editMinutes_->setText(Q(f.Minutes));
  editNumber_->setText(Q(f.TrainNumber));
  ShowChoice(comboKind_, f.Event);
  ShowChoice(comboType_, f.TrainKind);
  editActive_->setText(Q(f.Active));
  editReactive_->setText(Q(f.Reactive));
  editKm_->setText(Q(f.Km));
  editSpeed_->setText(Q(f.Speed));
  for (QWidget* w : {static_cast<QWidget*>(panelTime_), static_cast<QWidget*>(panelEvent_),
                     static_cast<QWidget*>(panelParams_), static_cast<QWidget*>(buttonSave_)})
    w->setVisible(ed_.InputsShown);
  showing_ = false;
}

void ScheduleEditor::Run(const std::function<void()>& op) {
  // A click that arrives while the time list is filled is left to the editor,
  // which refuses it; the boxes are read only when nothing is being listed.
  if (!ed_.Listing) FormToFields();
  main_->Guard(op);
  if (!ed_.Listing) ShowEditor();
}

void ScheduleEditor::SaveClicked() {
  if (ed_.Listing) return;
  const std::string path = askSaveName ? askSaveName(kSaveNamePreset) : std::string();
  bool saved = false;
  if (!path.empty()) main_->Guard([&] { saved = SaveAndExit(st_, ed_, path); });
  if (saved) {
    accept();
    ShowEditor();
  }
  if (onSaveDone) onSaveDone();
}

std::string ScheduleEditor::AskSaveNameByDialog(const std::string& preset) {
  namespace fs = std::filesystem;
  const fs::path root = st_.Work.Root();
  std::string dirName = preset, fileName = preset;
  const size_t sep = preset.find('\\');
  if (sep != std::string::npos) {
    dirName = preset.substr(0, sep);
    fileName = preset.substr(sep + 1);
  }
  std::error_code ec;
  fs::create_directories(root / dirName, ec);
  QFileDialog dlg(this, U("Сохранить ГДП"), QString::fromStdString((root / dirName).string()), "gdp (*.gdp)");
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setDefaultSuffix("gdp");
  // The editor asks before replacing a file and keeps the default schedule.
  dlg.setOptions(QFileDialog::DontConfirmOverwrite | QFileDialog::DontUseNativeDialog);
  dlg.selectFile(Q(fileName));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  // The chosen file as a program path below the working directory; a place
  // outside keeps its ".." and the file layer refuses it by name.
  const fs::path chosen = fs::weakly_canonical(fs::path(dlg.selectedFiles().front().toStdString()), ec);
  const fs::path rel = chosen.lexically_relative(fs::weakly_canonical(root, ec));
  std::string name;
  for (const fs::path& part : rel) name += (name.empty() ? "" : "\\") + part.string();
  return name;
}

}  // namespace tps::ui
