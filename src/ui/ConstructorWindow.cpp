#include "ui/ConstructorWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "circuit/constructor.h"
#include "ui/Keyboard.h"

namespace tps::ui {

namespace {

QString U(const std::string& s) {
  return QString::fromUtf8(s.c_str());
}
std::string T(const QString& s) {
  return s.toUtf8().toStdString();
}

// A number field with its label, the label its buddy: the two are shown and
// hidden together.
QLineEdit* Field(QGridLayout* g, int row, int col, const char* label, const char* name) {
  auto* e = new QLineEdit;
  e->setObjectName(name);
  AcceptDecimalComma(e);
  auto* l = new QLabel(U(label));
  l->setBuddy(e);
  g->addWidget(l, row, col);
  g->addWidget(e, row, col + 1);
  return e;
}

// A choice of chains or kinds, as wide as its longest item.
QComboBox* Choice(QGridLayout* g, int row, int col, const char* name) {
  auto* c = new QComboBox;
  c->setObjectName(name);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  g->addWidget(c, row, col, 1, 2);
  return c;
}

// The labels of a group follow their fields: a hidden field has no label.
void LabelsFollowFields(QWidget* group) {
  for (QLabel* l : group->findChildren<QLabel*>())
    if (QWidget* buddy = l->buddy()) l->setVisible(!buddy->isHidden());
}

QPushButton* Button(const char* text, const char* name) {
  auto* b = new QPushButton(U(text));
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

QListWidget* List(const char* name) {
  auto* l = new QListWidget;
  l->setObjectName(name);
  return l;
}

void SetItems(QComboBox* c, const std::vector<std::string>& items) {
  c->clear();
  for (const std::string& s : items) c->addItem(U(s));
}

void SetLines(QListWidget* l, const std::vector<std::string>& lines) {
  l->clear();
  for (const std::string& s : lines) l->addItem(U(s));
}

}  // namespace

ConstructorWindow::ConstructorWindow(AppState& st, QWidget* main) : QDialog(main), st_(st) {
  setObjectName("GraffSchemConstruct");
  setWindowTitle("GraffSchemConstruct");
  setModal(true);
  auto* top = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  top->addLayout(left, 1);
  top->addLayout(right, 1);

  groupType = new QGroupBox(U("Тип тока и схемы"));
  auto* gt = new QHBoxLayout(groupType);
  radioDc = new QRadioButton(U("Постоянный"));
  radioDc->setObjectName("radioDc");
  radioAc = new QRadioButton(U("Переменный"));
  radioAc->setObjectName("radioAc");
  boxConsole = new QCheckBox(U("Консоль"));
  boxConsole->setObjectName("boxConsole");
  radioDc->setChecked(true);
  gt->addWidget(radioDc);
  gt->addWidget(radioAc);
  gt->addWidget(boxConsole);
  left->addWidget(groupType);

  groupChain = new QGroupBox(U("Добавить контур"));
  auto* gc = new QGridLayout(groupChain);
  comboKind = Choice(gc, 0, 0, "comboKind");
  radioActive = new QRadioButton(U("Активный"));
  radioActive->setObjectName("radioActive");
  radioPassive = new QRadioButton(U("Пассивный"));
  radioPassive->setObjectName("radioPassive");
  radioActive->setChecked(true);
  gc->addWidget(radioActive, 0, 2);
  gc->addWidget(radioPassive, 0, 3);
  editR = Field(gc, 1, 0, "R", "editR");
  editX = Field(gc, 1, 2, "X", "editX");
  // The sources at the two ends of the chain, each with its active and
  // reactive voltage.
  editUaRe = Field(gc, 2, 0, "Источник А: U,а", "editUaRe");
  editUaIm = Field(gc, 2, 2, "U,р", "editUaIm");
  editUbRe = Field(gc, 3, 0, "Источник Б: U,а", "editUbRe");
  editUbIm = Field(gc, 3, 2, "U,р", "editUbIm");
  auto* addChain = Button("Добавить", "buttonAddChain");
  gc->addWidget(addChain, 4, 3);
  left->addWidget(groupChain);

  groupMutual = new QGroupBox(U("Взаимоиндукция"));
  auto* gm = new QGridLayout(groupMutual);
  comboMutualA = Choice(gm, 0, 0, "comboMutualA");
  comboMutualB = Choice(gm, 0, 2, "comboMutualB");
  editMutualR = Field(gm, 1, 0, "R", "editMutualR");
  editMutualX = Field(gm, 1, 2, "X", "editMutualX");
  auto* addMutual = Button("Добавить", "buttonAddMutual");
  gm->addWidget(addMutual, 2, 3);
  left->addWidget(groupMutual);

  groupPost = new QGroupBox(U("ППС, ПСК и т.д."));
  auto* gp = new QGridLayout(groupPost);
  comboPostA = Choice(gp, 0, 0, "comboPostA");
  comboPostB = Choice(gp, 0, 2, "comboPostB");
  editPostL = Field(gp, 1, 0, "L", "editPostL");
  auto* addPost = Button("Добавить", "buttonAddPost");
  gp->addWidget(addPost, 2, 3);
  left->addWidget(groupPost);

  groupRow = new QGroupBox(U("Параллельнность"));
  auto* gr = new QGridLayout(groupRow);
  comboRowA = Choice(gr, 0, 0, "comboRowA");
  comboRowB = Choice(gr, 0, 2, "comboRowB");
  editL1 = Field(gr, 1, 0, "L1", "editL1");
  editL2 = Field(gr, 1, 2, "L2", "editL2");
  editStep = Field(gr, 2, 0, "Step", "editStep");
  editRowR = Field(gr, 3, 0, "R", "editRowR");
  editRowX = Field(gr, 3, 2, "X", "editRowX");
  auto* addRow = Button("Добавить", "buttonAddRow");
  gr->addWidget(addRow, 4, 3);
  left->addWidget(groupRow);

  groupCharts = new QGroupBox(U("Графики токов"));
  auto* gg = new QGridLayout(groupCharts);
  for (int k = 0; k < 4; ++k) {
    comboChart[k] = Choice(gg, k, 1, QString("comboChart%1").arg(k + 1).toUtf8().constData());
    auto* l = new QLabel(QString("F%1").arg(k + 1));
    l->setBuddy(comboChart[k]);
    gg->addWidget(l, k, 0);
  }
  left->addWidget(groupCharts);
  left->addStretch(1);

  auto* buttons = new QHBoxLayout;
  buttonRestart = Button("<< Заново", "buttonRestart");
  buttonNext = Button("Далее >", "buttonNext");
  buttonSave = Button("Сохранить граф", "buttonSave");
  buttonStart = Button("Старт", "buttonStart");
  for (QPushButton* b : {buttonRestart, buttonNext, buttonSave, buttonStart}) buttons->addWidget(b);
  left->addLayout(buttons);

  listChains = List("listChains");
  listMutual = List("listMutual");
  listConnections = List("listConnections");
  listRows = List("listRows");
  listFiles = List("listFiles");
  buttonDelete = Button("Удалить файл", "buttonDelete");
  // Each list under its heading.
  const std::pair<QListWidget*, const char*> lists[5] = {{listChains, "Контуры"},
                                                          {listMutual, "Взаимоиндукция"},
                                                          {listConnections, "Соединения (ППС, ПСК и т.д.)"},
                                                          {listRows, "Ряды соединений"},
                                                          {listFiles, "Графы (graff\\*.grf)"}};
  for (const auto& [list, heading] : lists) {
    auto* l = new QLabel(U(heading));
    l->setBuddy(list);
    right->addWidget(l);
    right->addWidget(list);
  }
  right->addWidget(buttonDelete);

  connect(buttonNext, &QPushButton::clicked, this, [this] { NextClicked(); });
  connect(buttonRestart, &QPushButton::clicked, this, [this] { RestartClicked(); });
  connect(addChain, &QPushButton::clicked, this, [this] { AddChainClicked(); });
  connect(addMutual, &QPushButton::clicked, this, [this] { AddMutualClicked(); });
  connect(addPost, &QPushButton::clicked, this, [this] { AddConnectionClicked(); });
  connect(addRow, &QPushButton::clicked, this, [this] { AddRowClicked(); });
  connect(buttonSave, &QPushButton::clicked, this, [this] { SaveClicked(); });
  connect(buttonDelete, &QPushButton::clicked, this, [this] { DeleteClicked(); });
  connect(buttonStart, &QPushButton::clicked, this, [this] { StartClicked(); });
  connect(listFiles, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { FileDoubleClicked(T(item->text())); });

  KeepReadingTabOrder(this);

  askSaveName = [this]() -> std::string {
    const QString dir = QString::fromStdString(st_.Work.Resolve("graff", true).string());
    const QString file = QFileDialog::getSaveFileName(this, U("Сохранить граф"), dir, "grf (*.grf)");
    if (file.isEmpty()) return {};
    QString name = QFileInfo(file).fileName();
    if (!name.endsWith(".grf", Qt::CaseInsensitive)) name += ".grf";
    return "graff\\" + T(name);
  };
}

void ConstructorWindow::Run(const std::function<void()>& command) {
  if (guard)
    guard(command);
  else
    command();
}

void ConstructorWindow::Open() {
  st_.RunMode = ModeConstructor;
  Constructor(st_).WizardStep = 0;
  ShowStep();
  RefreshFiles();
  exec();
  // However the window was closed (its frame, Esc), the template goes with it.
  st_.RunMode = ModeSchedule;
  RestartConstructor(st_);
}

void ConstructorWindow::RefreshFiles() {
  std::vector<std::string> files;
  Run([&] { files = ListGraphFiles(st_); });
  SetLines(listFiles, files);
}

void ConstructorWindow::ShowLists() {
  const ConstructorSession& s = Constructor(st_);
  SetLines(listChains, s.ChainLines);
  SetLines(listMutual, s.MutualLines);
  SetLines(listConnections, s.ConnectionLines);
  SetLines(listRows, s.RowLines);
}

void ConstructorWindow::FillChains(QComboBox* a, QComboBox* b, bool onlyWithTwo) {
  const std::vector<std::string> names = Constructor(st_).ChainNames();
  a->clear();
  b->clear();
  if (onlyWithTwo && names.size() < 2) return;
  SetItems(a, names);
  SetItems(b, names);
}

void ConstructorWindow::ShowStep() {
  const ConstructorSession& s = Constructor(st_);
  const int step = s.WizardStep;
  groupType->setVisible(step == 0);
  groupChain->setVisible(step == 1);
  groupMutual->setVisible(step == 2);
  groupPost->setVisible(step == 3);
  groupRow->setVisible(step == 4);
  groupCharts->setVisible(step == 5);
  buttonSave->setVisible(step >= 5);
  buttonStart->setVisible(step == 6);
  buttonNext->setEnabled(step != 6);
  ShowLists();
  switch (step) {
    case 1: {
      editR->setText("0");
      editX->setText("0");
      SetItems(comboKind, ChainKindTexts());
      comboKind->setCurrentIndex(0);
      const char* u = s.AcMode ? "27500" : "3300";
      editUaRe->setText(u);
      editUbRe->setText(u);
      editUaIm->setText("0");
      editUbIm->setText("0");
      for (QLineEdit* e : {editUaIm, editUbIm, editX}) e->setVisible(s.AcMode);
      editUbRe->setVisible(!s.Console);
      editUbIm->setVisible(!s.Console && s.AcMode);
      if (s.Console) editUbRe->setText("0");
      break;
    }
    case 2:
      editMutualR->setText("0");
      editMutualX->setText("0");
      FillChains(comboMutualA, comboMutualB, true);
      break;
    case 3:
      FillChains(comboPostA, comboPostB, true);
      break;
    case 4:
      FillChains(comboRowA, comboRowB, false);
      editL1->setText("1");
      editL2->setText("20");
      editStep->setText("1");
      editRowR->setText("0.05");
      editRowX->setText("0");
      break;
    case 5:
      for (QComboBox* c : comboChart) {
        SetItems(c, s.ChartItems());
        c->setCurrentIndex(0);
      }
      break;
    default:
      break;
  }
  LabelsFollowFields(groupChain);
  if (layout()) layout()->activate();
  SetReadingTabOrder(this);
}

void ConstructorWindow::NextClicked() {
  ConstructorSession& s = Constructor(st_);
  if (s.WizardStep == 0)
    ChooseCurrentKind(st_, radioAc->isChecked(), boxConsole->isChecked());
  else
    Run([&] { WizardNext(st_); });
  // The chart choices are kept as they stand when the final screen comes.
  if (s.WizardStep == 6)
    for (int k = 0; k < 4; ++k) s.Charts[k] = T(comboChart[k]->currentText());
  ShowStep();
}

void ConstructorWindow::RestartClicked() {
  RestartConstructor(st_);
  ShowStep();
}

void ConstructorWindow::AddChainClicked() {
  ChainInput in;
  in.Kind = T(comboKind->currentText());
  in.Passive = radioPassive->isChecked();
  in.R = T(editR->text());
  in.X = T(editX->text());
  in.UaRe = T(editUaRe->text());
  in.UaIm = T(editUaIm->text());
  in.UbRe = T(editUbRe->text());
  in.UbIm = T(editUbIm->text());
  Run([&] { AddChain(st_, in); });
  ShowLists();
}

void ConstructorWindow::AddMutualClicked() {
  Run([&] {
    AddMutual(st_, T(comboMutualA->currentText()), T(comboMutualB->currentText()), T(editMutualR->text()),
              T(editMutualX->text()));
  });
  ShowLists();
}

void ConstructorWindow::AddConnectionClicked() {
  Run([&] {
    AddSingleConnection(st_, T(comboPostA->currentText()), T(comboPostB->currentText()),
                        T(editPostL->text()));
  });
  ShowLists();
}

void ConstructorWindow::AddRowClicked() {
  ConnectionRowInput in;
  in.From = T(editL1->text());
  in.To = T(editL2->text());
  in.Step = T(editStep->text());
  in.R = T(editRowR->text());
  in.X = T(editRowX->text());
  Run([&] { AddConnectionRow(st_, T(comboRowA->currentText()), T(comboRowB->currentText()), in); });
  ShowLists();
}

void ConstructorWindow::SaveClicked() {
  ConstructorSession& s = Constructor(st_);
  if (s.WizardStep == 5)
    for (int k = 0; k < 4; ++k) s.Charts[k] = T(comboChart[k]->currentText());
  const std::string name = askSaveName ? askSaveName() : std::string();
  if (name.empty()) return;
  Run([&] { SaveConstructorGraph(st_, name); });
  RefreshFiles();
}

void ConstructorWindow::DeleteClicked() {
  QListWidgetItem* item = listFiles->currentItem();
  const std::string file = item ? "graff\\" + T(item->text()) : std::string();
  bool deleted = false;
  Run([&] { deleted = DeleteConstructorGraph(st_, file); });
  if (!deleted) return;
  RefreshFiles();
  if (listFiles->count() > 0) listFiles->setCurrentRow(0);
  ShowStep();
}

void ConstructorWindow::FileDoubleClicked(const std::string& name) {
  bool loaded = false;
  Run([&] {
    LoadConstructorGraph(st_, "graff\\" + name);
    loaded = true;
  });
  if (!loaded) return;
  // The chart step, with the choices kept beside the graph.
  const ConstructorSession& s = Constructor(st_);
  const std::string charts[4] = {s.Charts[0], s.Charts[1], s.Charts[2], s.Charts[3]};
  ShowStep();
  for (int k = 0; k < 4; ++k) comboChart[k]->setCurrentText(U(charts[k]));
}

void ConstructorWindow::StartClicked() {
  if (!startRun) return;
  RunOutcome outcome = RunOutcome::Refused;
  Run([&] { outcome = startRun(); });
  // Refused chart choices: back to the rows of connections, from where
  // "Далее >" leads to the chart choices again.
  if (outcome == RunOutcome::Refused && Constructor(st_).WizardStep == 4) ShowStep();
  st_.RunMode = ModeConstructor;
}

}  // namespace tps::ui
