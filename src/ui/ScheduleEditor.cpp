#include "ui/ScheduleEditor.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "ui/Keyboard.h"
#include "ui/MainWindow.h"

namespace tps::ui {

namespace {

QString U(const char* s) {
  return QString::fromUtf8(s);
}
QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

QLineEdit* Edit(const char* name) {
  auto* e = new QLineEdit;
  e->setObjectName(name);
  AcceptDecimalComma(e);
  return e;
}
QPushButton* Button(const char* name, const char* text) {
  auto* b = new QPushButton(U(text));
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}
// A choice box that shows "Выбор" until one of its items is chosen, as wide
// as its longest item.
QComboBox* Choice(const char* name, const char* const* items, int count) {
  auto* c = new QComboBox;
  c->setObjectName(name);
  for (int k = 0; k < count; ++k) c->addItem(U(items[k]));
  c->setPlaceholderText(U(kChoosePrompt));
  c->setCurrentIndex(-1);
  c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
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
  // The lists take what the window gives beyond its smallest size.
  auto* top = new QVBoxLayout(this);
  auto* lists = new QGridLayout;
  const char* heads[3] = {"Время", "Событие", "Параметры"};
  QListWidget** boxes[3] = {&listTimes_, &listEvents_, &listDetails_};
  const char* names[3] = {"listTimes", "listEvents", "listDetails"};
  const int stretch[3] = {1, 3, 2};
  for (int k = 0; k < 3; ++k) {
    lists->addWidget(new QLabel(U(heads[k])), 0, k);
    *boxes[k] = new QListWidget;
    (*boxes[k])->setObjectName(names[k]);
    (*boxes[k])->setMinimumHeight(160);
    lists->addWidget(*boxes[k], 1, k);
    lists->setColumnStretch(k, stretch[k]);
  }
  listTimes_->setMinimumWidth(110);
  listEvents_->setMinimumWidth(300);
  listDetails_->setMinimumWidth(220);
  lists->setRowStretch(1, 1);
  top->addLayout(lists, 1);

  // The time of the event: days, hours, minutes.
  auto* inputs = new QHBoxLayout;
  panelTime_ = new QGroupBox(U("Время события"));
  panelTime_->setObjectName("panelTime");
  auto* gt = new QGridLayout(panelTime_);
  editDays_ = Edit("editDays");
  editHours_ = Edit("editHours");
  editMinutes_ = Edit("editMinutes");
  const char* units[3] = {"Сутки", "Часы", "Минуты"};
  QLineEdit* times[3] = {editDays_, editHours_, editMinutes_};
  for (int k = 0; k < 3; ++k) {
    gt->addWidget(new QLabel(U(units[k])), 0, k);
    gt->addWidget(times[k], 1, k);
  }
  auto* deleteTime = Button("buttonDeleteTime", "Удалить временную точку");
  gt->addWidget(deleteTime, 2, 0, 1, 3);
  gt->setRowStretch(3, 1);
  inputs->addWidget(panelTime_);

  // The event: the train number, the kind and the buttons.
  panelEvent_ = new QGroupBox;
  panelEvent_->setObjectName("panelEvent");
  auto* ge = new QGridLayout(panelEvent_);
  editNumber_ = Edit("editNumber");
  comboKind_ = Choice("comboKind", kEventKindItems, 5);
  ge->addWidget(new QLabel(U("Номер")), 0, 0);
  ge->addWidget(editNumber_, 0, 1, 1, 2);
  ge->addWidget(new QLabel(U("Событие")), 1, 0);
  ge->addWidget(comboKind_, 1, 1, 1, 2);
  auto* add = Button("buttonAddEvent", "Добавить событие");
  ge->addWidget(add, 2, 0, 1, 3);
  auto* remove = Button("buttonDeleteEvent", "Удалить событие");
  auto* replace = Button("buttonReplace", "Заменить");
  ge->addWidget(remove, 3, 0, 1, 2);
  ge->addWidget(replace, 3, 2);
  inputs->addWidget(panelEvent_);

  // The parameters of the train.
  panelParams_ = new QGroupBox;
  panelParams_->setObjectName("panelParams");
  auto* gp = new QGridLayout(panelParams_);
  comboType_ = Choice("comboType", kTrainTypeItems, 4);
  editActive_ = Edit("editActive");
  editReactive_ = Edit("editReactive");
  editKm_ = Edit("editKm");
  editSpeed_ = Edit("editSpeed");
  gp->addWidget(new QLabel(U("Тип")), 0, 0);
  gp->addWidget(comboType_, 0, 1, 1, 2);
  gp->addWidget(new QLabel(U("Ток")), 1, 0);
  gp->addWidget(editActive_, 1, 1);
  gp->addWidget(editReactive_, 1, 2);
  gp->addWidget(new QLabel(U("Местоположение")), 2, 0);
  gp->addWidget(editKm_, 2, 1, 1, 2);
  gp->addWidget(new QLabel(U("Скорость")), 3, 0);
  gp->addWidget(editSpeed_, 3, 1, 1, 2);
  inputs->addWidget(panelParams_, 1);
  top->addLayout(inputs);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* exit = Button("buttonExit", "Выйти");
  buttonSave_ = Button("buttonSaveExit", "Сохранить и выйти");
  buttons->addWidget(exit);
  buttons->addWidget(buttonSave_);
  top->addLayout(buttons);
  resize(sizeHint().expandedTo(QSize(690, 420)));
  KeepReadingTabOrder(this);

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
