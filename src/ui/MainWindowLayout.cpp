// The controls and menus of the main window, laid out at fixed places like
// the original form: the picture on top, the step row, the track tabs over a
// panel holding the scheme, voltage, train, batch and train-list areas.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeySequence>
#include <QMenu>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QToolButton>
#include <algorithm>

#include "params/trains.h"
#include "ui/Anchors.h"
#include "ui/CaptionLabel.h"
#include "ui/Keyboard.h"
#include "ui/MainWindow.h"
#include "ui/ProbPanel.h"
#include "ui/SchedulePanel.h"
#include "ui/SchemePictureWidget.h"

namespace tps::ui {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

// The client area is as wide as the scheme picture; the tab panel ends below
// the last button of the train area.
constexpr int kClientWidth = kPanelWidth;
constexpr int kPanelBottom = 253 + 22;
constexpr int kBoxHeight = 19;
// The widest number a parameter field holds, and the line edit's inner margin.
constexpr int kNumberChars = 11;
constexpr int kEditMargin = 2;

QLabel* Label(QWidget* parent, const char* text, int x, int y, int w = -1, int h = 16) {
  auto* l = new QLabel(U(text), parent);
  if (w < 0) w = l->sizeHint().width();
  l->setGeometry(x, y, w, h);
  return l;
}

QLineEdit* Edit(QWidget* parent, const char* name, int x, int y, int w, int h = 20) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setGeometry(x, y, w, h);
  return e;
}

// A button at least as high as its caption's font needs (one line of room
// is left between the buttons of a column).
QPushButton* Button(QWidget* parent, const char* name, const char* text, int x, int y, int w,
                    int h = 22) {
  auto* b = new QPushButton(U(text), parent);
  b->setObjectName(name);
  b->setGeometry(x, y, w, std::max(h, std::min(h + 2, b->sizeHint().height())));
  return b;
}

// The right edge of a control, where the next one on its row may begin.
int Right(const QWidget* w) {
  return w->x() + w->width();
}

// A check box or radio button as large as its caption needs.
void FitButton(QAbstractButton* b, int x, int y) {
  const QSize hint = b->sizeHint();
  b->setGeometry(x, y, hint.width(), std::max(hint.height(), kBoxHeight));
}

// The width of a field that shows `chars` digits whole: the text, the
// field's inner margins and its frame.
int NumberFieldWidth(QWidget* parent, int chars) {
  QLineEdit probe(parent);
  QStyleOptionFrame opt;
  opt.initFrom(&probe);
  const int frame = probe.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, &probe);
  const int text = QFontMetrics(probe.font()).horizontalAdvance(QString(chars, QChar('0')));
  return text + 2 * kEditMargin + 2 * frame + 2;
}

// A train list: one line per train, never cut short; a line longer than the
// list scrolls sideways.
QListWidget* TrainList(QWidget* parent, const char* name, int x, int w) {
  auto* l = new QListWidget(parent);
  l->setObjectName(name);
  l->setGeometry(x, 157, w, 88);
  l->setTextElideMode(Qt::ElideNone);
  l->setWordWrap(false);
  l->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  l->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  return l;
}

QAction* Check(QMenu* m, const char* name, const char* text, bool checked) {
  QAction* a = m->addAction(U(text));
  a->setObjectName(name);
  a->setCheckable(true);
  a->setChecked(checked);
  return a;
}

}  // namespace

void MainWindow::BuildMenus() {
  // Every menu and command has its mnemonic (Alt+Ф opens "Файл"); the
  // frequent ones have shortcuts, shown in the menus.
  QMenu* file = menuBar()->addMenu(U("&Файл"));
  actSave_ = file->addAction(U("&Сохранить"));
  actSave_->setObjectName("actSave");
  actSave_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  actExit_ = file->addAction(U("В&ыход"));
  actExit_->setObjectName("actExit");
  actExit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

  QMenu* mode = menuBar()->addMenu(U("&Режим"));
  actTestMode_ = Check(mode, "actTestMode", "&Тестовый", true);
  actScheduleMode_ = Check(mode, "actScheduleMode", "Расчет по &ГДП", false);
  actConstructor_ = mode->addAction(U("&Конструктор схем"));
  actConstructor_->setObjectName("actConstructor");
  actConstructor_->setEnabled(false);
  connect(actConstructor_, &QAction::triggered, this, [this] { ConstructorChosen(); });

  menuOptions_ = menuBar()->addMenu(U("&Опции"));
  QMenu* options = menuOptions_;
  actFastCalc_ = Check(options, "actFastCalc", "&Быстрый расчет", true);
  actVaryCurrents_ = Check(options, "actVaryCurrents", "&Изменять токи поездов", false);
  actCharts_ = Check(options, "actCharts", "&Построение графиков (замедлит иммитацию)", true);
  options->addSeparator();
  actNetwork_ = options->addAction(U("Параметры &тяговой сети"));
  actNetwork_->setObjectName("actNetwork");
  actAc_ = options->addAction(U("Параметры пере&менного сопротивления"));
  actAc_->setObjectName("actAc");

  BuildTaskMenu();

  menuCatalogues_ = menuBar()->addMenu(U("&Справочники"));
  menuCatalogues_->setObjectName("menuCatalogues");
  const char* kinds[4] = {"&Контактные провода", "&Несущие троса", "&Усиливающие провода", "&Рельсы"};
  // Catalogue indexes 4..7 are the direct-current tables, 0..3 the alternating.
  for (int dc = 1; dc >= 0; --dc) {
    QMenu* sub = menuCatalogues_->addMenu(dc ? U("&Постоянный ток") : U("П&еременный ток"));
    for (int k = 0; k < 4; ++k) {
      const int index = (dc ? 4 : 0) + k;
      QAction* a = sub->addAction(U(kinds[k]));
      a->setObjectName(QString("actCatalogue%1").arg(index));
      connect(a, &QAction::triggered, this, [this, index] { OpenCatalogue(index); });
    }
  }

  // The developer's switch: its menu is kept but never shown.
  menuSecret_ = menuBar()->addMenu(U("Секретные дела"));
  menuSecret_->setObjectName("menuSecret");
  actWriteMatrices_ = Check(menuSecret_, "actWriteMatrices", "Писать матрицы в файл?", false);
  menuSecret_->menuAction()->setVisible(false);

  // F10 opens the menu bar at its first menu, as on other desktops.
  auto* f10 = new QAction(this);
  f10->setObjectName("actMenuBar");
  f10->setShortcut(QKeySequence(Qt::Key_F10));
  addAction(f10);
  connect(f10, &QAction::triggered, this, [this] {
    for (QAction* a : menuBar()->actions())
      if (a->isVisible() && a->isEnabled()) {
        menuBar()->setActiveAction(a);
        return;
      }
  });
}

void MainWindow::BuildRunMenu() {
  auto* run = new QMenu(U("&Пуск"), this);
  run->setObjectName("menuRun");
  menuBar()->insertMenu(menuOptions_->menuAction(), run);
  // Each command does what its button does, when its button may.
  auto command = [&](const char* name, const char* text, QKeySequence key, QAbstractButton* button) {
    QAction* a = run->addAction(U(text));
    a->setObjectName(name);
    a->setShortcut(key);
    connect(a, &QAction::triggered, this, [button] {
      if (button->isEnabled() && !button->isHidden()) button->click();
    });
    return a;
  };
  actStart_ = command("actStart", "&Старт иммитации", QKeySequence(Qt::Key_F9), buttonStart_);
  actStep_ = command("actStep", "П&ошаговая иммитация", QKeySequence(Qt::Key_F8), buttonStep_);
  actPause_ = command("actPause", "П&ауза", QKeySequence(Qt::Key_F6), buttonPause_);
  actPause_->setShortcuts({QKeySequence(Qt::Key_F6), QKeySequence(Qt::Key_Pause)});
  actResults_ = command("actResults", "Смотреть &результаты", QKeySequence(Qt::CTRL | Qt::Key_R), buttonResults_);
  run->addSeparator();
  QMenu* charts = run->addMenu(U("&Графики"));
  charts->setObjectName("menuCharts");
  const char* captions[6] = {"График &ГДП",
                             "График &потерь",
                             "ГДП + п&отери",
                             "Графики &напряжений поездов",
                             "Графики потенциалов &рельсов",
                             "Графики &токов фидеров"};
  for (int kind = 0; kind < 6; ++kind) {
    actChart_[kind] = charts->addAction(U(captions[kind]));
    actChart_[kind]->setObjectName(QString("actChart%1").arg(kind));
    actChart_[kind]->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + kind)));
    connect(actChart_[kind], &QAction::triggered, this, [this, kind] { OpenChart(kind); });
  }
  UpdateRunMenu();
}

void MainWindow::UpdateRunMenu() {
  if (!actStart_) return;
  const std::pair<QAction*, QAbstractButton*> pairs[4] = {
      {actStart_, buttonStart_}, {actStep_, buttonStep_}, {actPause_, buttonPause_}, {actResults_, buttonResults_}};
  for (const auto& [a, b] : pairs) a->setEnabled(b->isEnabled() && !b->isHidden());
  for (int kind = 0; kind < 6; ++kind)
    if (chartButtons_[kind]) actChart_[kind]->setEnabled(chartButtons_[kind]->isEnabled());
}

void MainWindow::BuildControls() {
  auto* central = new QWidget(this);
  central->setObjectName("central");
  setCentralWidget(central);

  // The picture is as wide as the client area, so "ТП Б" at its right end is whole.
  pictureWidget_ = new SchemePictureWidget(central);
  pictureWidget_->setGeometry(0, 0, kPanelWidth, kPanelHeight);
  centralAnchors_ = new AnchorLayout(central);
  centralAnchors_->Add(pictureWidget_, {0, 0, 1, 0});

  // The row under the picture.
  comboStep_ = new QComboBox(central);
  comboStep_->setObjectName("comboStep");
  comboStep_->setGeometry(6, 203, 56, 20);
  Label(central, "минут", 66, 205);
  Label(central, "счетчик", 130, 205);
  editCounter_ = Edit(central, "editCounter", 180, 203, 70);
  editCounter_->setReadOnly(true);
  Label(central, "время", 270, 205);
  editTime_ = Edit(central, "editTime", 310, 203, 96);
  editTime_->setReadOnly(true);
  editTime_->setText("00:00:00:00");
  BuildRunButtons(central);

  tabBar_ = new QTabBar(central);
  tabBar_->setObjectName("tabBar");
  tabBar_->addTab(U("Однопутный участок"));
  tabBar_->addTab(U("Двухпутный участок"));
  tabBar_->setGeometry(0, 227, kClientWidth, tabBar_->sizeHint().height());
  tabBar_->setExpanding(true);
  centralAnchors_->Add(tabBar_, {0, 0, 1, 0});

  panel_ = new QFrame(central);
  panel_->setObjectName("tabPanel");
  static_cast<QFrame*>(panel_)->setFrameShape(QFrame::StyledPanel);
  const int panelTop = 227 + tabBar_->sizeHint().height();
  panel_->setGeometry(0, panelTop, kClientWidth, kPanelBottom + 4);
  central->resize(kClientWidth, panelTop + panel_->height());
  centralAnchors_->Add(panel_, {0, 0, 1, 1});
  panelAnchors_ = new AnchorLayout(panel_);

  // Zone, current kind, scheme boxes and post fields.
  QLabel* zone = Label(panel_, "Длина участка", 4, 6);
  editZone_ = Edit(panel_, "editZone", Right(zone) + 4, 4, 56);
  Label(panel_, "км", Right(editZone_) + 4, 6);
  radioDc_ = new QRadioButton(U("Постоянный ток"), panel_);
  radioDc_->setObjectName("radioDc");
  FitButton(radioDc_, 4, 28);
  radioAc_ = new QRadioButton(U("Переменный ток"), panel_);
  radioAc_->setObjectName("radioAc");
  FitButton(radioAc_, Right(radioDc_) + 2, 28);
  box1_ = new QCheckBox(U("Консоль"), panel_);
  box1_->setObjectName("box1");
  box1_->setGeometry(4, 50, 108, kBoxHeight);
  box2_ = new QCheckBox(U("ПСК+2ППС"), panel_);
  box2_->setObjectName("box2");
  box2_->setGeometry(4, 72, 108, kBoxHeight);
  box3_ = new QCheckBox(U("Откл Ф2 и Ф4"), panel_);
  box3_->setObjectName("box3");
  box3_->setGeometry(4, 94, 108, kBoxHeight);
  for (QCheckBox* b : {box1_, box2_, box3_})
    b->resize(std::max(b->width(), b->sizeHint().width()), std::max(b->height(), b->sizeHint().height()));
  labelPsk_ = Label(panel_, "До ПСК", 116, 51, 60);
  editPsk_ = Edit(panel_, "editPsk", 178, 49, 62);
  labelPps1_ = Label(panel_, "ППС1, км", 116, 73, 60);
  editPps1_ = Edit(panel_, "editPps1", 178, 71, 62);
  labelPps2_ = Label(panel_, "ППС2, км", 116, 95, 60);
  editPps2_ = Edit(panel_, "editPps2", 178, 93, 62);

  const int voltageLeft = std::max(Right(radioAc_), Right(editPps1_)) + 4;
  BuildVoltagePanel(panel_, voltageLeft);
  const int trainLeft = Right(voltagePanel_) + 4;
  BuildTrainPanel(panel_, trainLeft, kClientWidth - 3 - trainLeft);

  // The network panel: scheme caption and the loss of the last step.
  QLabel* network = Label(panel_, "Тяговая сеть:", 4, 120);
  labelCaption_ = new CaptionLabel(panel_);
  labelCaption_->setObjectName("labelCaption");
  labelCaption_->setGeometry(Right(network) + 4, 120, trainLeft - 8 - Right(network), 16);
  labelCaption_->schemeChosen = [this] { return state_.SchemeVariant != 0; };
  QLabel* loss = Label(panel_, "Потери мощности, кВт", trainLeft, 120);
  labelLoss_ = Label(panel_, "", Right(loss) + 6, 120, kClientWidth - 4 - (Right(loss) + 6));
  labelLoss_->setObjectName("labelLoss");
  // The row moves down as far as the schedule panel above it grows.
  for (QWidget* w : {static_cast<QWidget*>(network), static_cast<QWidget*>(labelCaption_),
                     static_cast<QWidget*>(loss)})
    panelAnchors_->Add(w, {0, kShare, 0, kShare});
  panelAnchors_->Add(labelLoss_, {0, kShare, 1, kShare});
  // The panels right of the voltages take the width; the schedule panel a
  // share of the height in the schedule mode.
  panelAnchors_->Add(batchPanel_, {0, 0, 1, 0});
  panelAnchors_->Add(probPanel_, {0, 0, 1, 0});
  panelAnchors_->Add(schedulePanel_, {0, 0, 1, kShare});
  auto* batch = new AnchorLayout(batchPanel_);
  batch->Add(buttonBatch_, {1, 0, 1, 0});
  batch->Freeze();

  BuildTrainArea(panel_);
  AcceptDecimalComma({editZone_, editPsk_, editPps1_, editPps2_, editUaRe_, editUaIm_, editUbRe_, editUbIm_,
                      editMeanU_, editDevU_, editMeanD_, editDevD_, editActive_, editReactive_, editSpeed_,
                      editKm_, editBatchTrains_, editBatchInterval_});
}

void MainWindow::BuildRunButtons(QWidget* central) {
  // Right of the clock: the two run buttons and the mode speed buttons, each
  // as wide as its caption needs.
  auto fit = [](QWidget* w) { w->resize(std::max(w->width(), w->sizeHint().width()), w->height()); };
  buttonStart_ = Button(central, "buttonStart", "Старт иммитации", Right(editTime_) + 8, 202, 100);
  fit(buttonStart_);
  buttonStep_ = Button(central, "buttonStep", "Пошаговая иммитация", Right(buttonStart_) + 4, 202, 120);
  fit(buttonStep_);
  auto speed = [&](const char* name, const char* text, const char* hint, int x) {
    auto* b = new QToolButton(central);
    b->setObjectName(name);
    b->setText(U(text));
    b->setToolTip(U(hint));
    b->setCheckable(true);
    b->setGeometry(x, 202, 36, std::max(22, std::min(24, b->sizeHint().height())));
    fit(b);
    return b;
  };
  buttonModeTest_ = speed("buttonModeTest", "Тест", "Тестовый режим", Right(buttonStep_) + 10);
  buttonModeSchedule_ = speed("buttonModeSchedule", "ГДП", "Режим ГДП", Right(buttonModeTest_) + 2);
}

void MainWindow::BuildVoltagePanel(QWidget* panel, int left) {
  voltagePanel_ = new QGroupBox(U("Напряжения"), panel);
  voltagePanel_->setObjectName("voltagePanel");
  QWidget* g = voltagePanel_;
  // The substation voltages hold 11 characters: a drawn voltage such as
  // 26273.52099 is shown whole, first digit included.
  QLabel* rowA = Label(g, "П/ст А", 6, 20);
  QLabel* rowB = Label(g, "П/ст Б", 6, 42);
  const int x1 = std::max(Right(rowA), Right(rowB)) + 4;
  const int w = NumberFieldWidth(g, kNumberChars);
  editUaRe_ = Edit(g, "editUaRe", x1, 18, w);
  editUaIm_ = Edit(g, "editUaIm", Right(editUaRe_) + 3, 18, w);
  QLabel* unitA = Label(g, "В", Right(editUaIm_) + 3, 20);
  editUbRe_ = Edit(g, "editUbRe", x1, 40, w);
  editUbIm_ = Edit(g, "editUbIm", Right(editUbRe_) + 3, 40, w);
  Label(g, "В", Right(editUbIm_) + 3, 42);
  checkU_ = new QCheckBox("U", g);
  checkU_->setObjectName("checkU");
  checkU_->setGeometry(6, 65, 34, kBoxHeight);
  QLabel* mU = Label(g, "m", 42, 67);
  editMeanU_ = Edit(g, "editMeanU", Right(mU) + 3, 64, 72);
  QLabel* sU = Label(g, "s", Right(editMeanU_) + 6, 67);
  editDevU_ = Edit(g, "editDevU", Right(sU) + 3, 64, 72);
  checkD_ = new QCheckBox("d", g);
  checkD_->setObjectName("checkD");
  checkD_->setGeometry(6, 89, 34, kBoxHeight);
  QLabel* mD = Label(g, "m", 42, 91);
  editMeanD_ = Edit(g, "editMeanD", Right(mD) + 3, 88, 72);
  QLabel* sD = Label(g, "s", Right(editMeanD_) + 6, 91);
  editDevD_ = Edit(g, "editDevD", Right(sD) + 3, 88, 72);
  voltagePanel_->setGeometry(left, 2, std::max(Right(unitA), Right(editDevU_)) + 6, 116);
  editMeanU_->setText(QString::fromStdString(state_.Voltages.MeanU));
  editDevU_->setText(QString::fromStdString(state_.Voltages.DevU));
  editMeanD_->setText(QString::fromStdString(state_.Voltages.MeanD));
  editDevD_->setText(QString::fromStdString(state_.Voltages.DevD));
}

void MainWindow::BuildTrainPanel(QWidget* panel, int left, int width) {
  trainPanel_ = new QFrame(panel);
  trainPanel_->setObjectName("trainPanel");
  trainPanel_->setGeometry(left, 2, width, 70);
  QWidget* t = trainPanel_;
  QLabel* type = Label(t, "Тип поезда", 2, 4);
  comboType_ = new QComboBox(t);
  comboType_->setObjectName("comboType");
  comboType_->setGeometry(Right(type) + 16, 2, 140, 20);
  for (int k = 0; k < 4; ++k) comboType_->addItem(U(KindName(static_cast<uint8_t>(k))));
  // Each label stands clear of its field: the fields share what the labels leave.
  QLabel* current = Label(t, "Ток поезда", 2, 28);
  QLabel* active = Label(t, "активный", Right(current) + 4, 28);
  QLabel* reactive = new QLabel(U("реактивный"), t);
  const int reactiveW = reactive->sizeHint().width();
  const int fields = width - 2 - Right(active) - 2 - 4 - reactiveW - 2;
  const int activeW = fields - fields / 2;
  editActive_ = Edit(t, "editActive", Right(active) + 2, 26, activeW);
  reactive->setGeometry(Right(editActive_) + 4, 28, reactiveW, 16);
  editReactive_ = Edit(t, "editReactive", Right(reactive) + 2, 26, fields / 2);
  QLabel* speed = Label(t, "Скорость (км/ч)", 2, 52);
  editSpeed_ = Edit(t, "editSpeed", Right(speed) + 4, 50, 58);
  editKm_ = Edit(t, "editKm", editReactive_->x(), 50, editReactive_->width());
  auto* km = new QLabel(U("километр"), t);
  km->setGeometry(editKm_->x() - 2 - km->sizeHint().width(), 52, km->sizeHint().width(), 16);

  batchPanel_ = new QGroupBox(U("Пакетный пуск"), panel);
  batchPanel_->setObjectName("batchPanel");
  batchPanel_->setGeometry(left, 74, width, 44);
  QWidget* b = batchPanel_;
  QLabel* trains = Label(b, "Поездов", 6, 20);
  editBatchTrains_ = Edit(b, "editBatchTrains", Right(trains) + 4, 18, 40);
  QLabel* minutes = Label(b, "минут", Right(editBatchTrains_) + 6, 20);
  editBatchInterval_ = Edit(b, "editBatchInterval", Right(minutes) + 4, 18, 40);
  buttonBatch_ = Button(b, "buttonBatch", "Пуск пакета", width - 6 - 106, 15, 106, 24);

  // The schedule mode's panel in the place of the two test-mode panels.
  schedulePanel_ = new SchedulePanel(panel, width, 116);
  schedulePanel_->move(left, 2);
  schedulePanel_->hide();
  BuildProbControls(centralWidget(), panel, left, width);
}

void MainWindow::BuildTrainArea(QWidget* panel) {
  // Two lists with the buttons between them, across the whole panel.
  const int buttonsW = 142;
  const int listW = (kClientWidth - 4 - 4 - 4 - buttonsW - 4 - 4) / 2;
  const int middle = 4 + listW + 4;
  const int right = middle + buttonsW + 4;
  const QString header = U(kTrainListHeader);
  auto* header1 = new QLabel(header, panel);
  // The heading in the line the font needs, down to the lists' top.
  const int headerH = std::max(14, header1->sizeHint().height());
  header1->setGeometry(4, 157 - headerH, listW, headerH);
  list1_ = TrainList(panel, "listTrack1", 4, listW);
  buttonRemove1_ = Button(panel, "buttonRemove1", "Списать этот поезд", 4, 248, listW);

  buttonAdd1_ = Button(panel, "buttonAdd1", "Добавить поезд >", middle, 157, buttonsW);
  buttonAdd2_ = Button(panel, "buttonAdd2", "< Добавить поезд", middle, 181, buttonsW);
  buttonClearAll_ = Button(panel, "buttonClearAll", "Очистить все", middle, 205, buttonsW);
  buttonPause_ = Button(panel, "buttonPause", "Пауза", middle, 229, buttonsW);
  buttonResults_ = Button(panel, "buttonResults", "Смотреть результаты", middle, 253, buttonsW);

  header2_ = new QLabel(header, panel);
  header2_->setGeometry(right, 157 - headerH, listW, headerH);
  list2_ = TrainList(panel, "listTrack2", right, listW);
  buttonRemove2_ = Button(panel, "buttonRemove2", "Списать этот поезд", right, 248, listW);

  // The two lists share the width and take the height below the schedule
  // panel's share; the buttons between them stay at their top.
  panelAnchors_->Add(header1, {0, kShare, 0.5, kShare});
  panelAnchors_->Add(list1_, {0, kShare, 0.5, 1});
  panelAnchors_->Add(buttonRemove1_, {0, 1, 0.5, 1});
  for (QWidget* b : {buttonAdd1_, buttonAdd2_, buttonClearAll_, buttonPause_, buttonResults_})
    panelAnchors_->Add(b, {0.5, kShare, 0.5, kShare});
  panelAnchors_->Add(header2_, {0.5, kShare, 1, kShare});
  panelAnchors_->Add(list2_, {0.5, kShare, 1, 1});
  panelAnchors_->Add(buttonRemove2_, {0.5, 1, 1, 1});
}

}  // namespace tps::ui
