// The controls and menus of the main window, laid out at fixed places like
// the original form: the picture on top, the step row, the track tabs over a
// panel holding the scheme, voltage, train, batch and train-list areas.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

#include "params/trains.h"
#include "ui/CaptionLabel.h"
#include "ui/MainWindow.h"
#include "ui/SchemePictureWidget.h"

namespace tps::ui {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

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

QPushButton* Button(QWidget* parent, const char* name, const char* text, int x, int y, int w,
                    int h = 22) {
  auto* b = new QPushButton(U(text), parent);
  b->setObjectName(name);
  b->setGeometry(x, y, w, h);
  return b;
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
  QMenu* file = menuBar()->addMenu(U("Файл"));
  actSave_ = file->addAction(U("Сохранить"));
  actSave_->setObjectName("actSave");
  actExit_ = file->addAction(U("Выход"));
  actExit_->setObjectName("actExit");

  QMenu* mode = menuBar()->addMenu(U("Режим"));
  actTestMode_ = Check(mode, "actTestMode", "Тестовый", true);

  QMenu* options = menuBar()->addMenu(U("Опции"));
  actFastCalc_ = Check(options, "actFastCalc", "Быстрый расчет", true);
  actVaryCurrents_ = Check(options, "actVaryCurrents", "Изменять токи поездов", false);
  actCharts_ = Check(options, "actCharts", "Построение графиков (замедлит иммитацию)", true);
  options->addSeparator();
  actNetwork_ = options->addAction(U("Параметры тяговой сети"));
  actNetwork_->setObjectName("actNetwork");
  actAc_ = options->addAction(U("Параметры переменного сопротивления"));
  actAc_->setObjectName("actAc");

  menuCatalogues_ = menuBar()->addMenu(U("Справочники"));
  menuCatalogues_->setObjectName("menuCatalogues");
  const char* kinds[4] = {"Контактные провода", "Несущие троса", "Усиливающие провода", "Рельсы"};
  // Catalogue indexes 4..7 are the direct-current tables, 0..3 the alternating.
  for (int dc = 1; dc >= 0; --dc) {
    QMenu* sub = menuCatalogues_->addMenu(dc ? U("Постоянный ток") : U("Переменный ток"));
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
}

void MainWindow::BuildControls() {
  auto* central = new QWidget(this);
  central->setObjectName("central");
  central->setFixedSize(790, 524);
  setCentralWidget(central);

  pictureWidget_ = new SchemePictureWidget(central);
  pictureWidget_->move(0, 0);

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

  tabBar_ = new QTabBar(central);
  tabBar_->setObjectName("tabBar");
  tabBar_->addTab(U("Однопутный участок"));
  tabBar_->addTab(U("Двухпутный участок"));
  tabBar_->setGeometry(0, 227, 790, tabBar_->sizeHint().height());

  panel_ = new QFrame(central);
  panel_->setObjectName("tabPanel");
  static_cast<QFrame*>(panel_)->setFrameShape(QFrame::StyledPanel);
  const int panelTop = 227 + tabBar_->sizeHint().height();
  panel_->setGeometry(0, panelTop, 790, 524 - panelTop);

  // Zone, current kind, scheme boxes and post fields.
  Label(panel_, "Длина участка", 4, 6);
  editZone_ = Edit(panel_, "editZone", 92, 4, 56);
  Label(panel_, "км", 152, 6);
  radioDc_ = new QRadioButton(U("Постоянный ток"), panel_);
  radioDc_->setObjectName("radioDc");
  radioDc_->setGeometry(4, 28, 118, 18);
  radioAc_ = new QRadioButton(U("Переменный ток"), panel_);
  radioAc_->setObjectName("radioAc");
  radioAc_->setGeometry(124, 28, 118, 18);
  box1_ = new QCheckBox(U("Консоль"), panel_);
  box1_->setObjectName("box1");
  box1_->setGeometry(4, 50, 108, 18);
  box2_ = new QCheckBox(U("ПСК+2ППС"), panel_);
  box2_->setObjectName("box2");
  box2_->setGeometry(4, 72, 108, 18);
  box3_ = new QCheckBox(U("Откл Ф2 и Ф4"), panel_);
  box3_->setObjectName("box3");
  box3_->setGeometry(4, 94, 108, 18);
  labelPsk_ = Label(panel_, "До ПСК", 116, 51, 60);
  editPsk_ = Edit(panel_, "editPsk", 178, 49, 62);
  labelPps1_ = Label(panel_, "ППС1, км", 116, 73, 60);
  editPps1_ = Edit(panel_, "editPps1", 178, 71, 62);
  labelPps2_ = Label(panel_, "ППС2, км", 116, 95, 60);
  editPps2_ = Edit(panel_, "editPps2", 178, 93, 62);

  BuildVoltagePanel(panel_);
  BuildTrainPanel(panel_);

  // The network panel: scheme caption and the loss of the last step.
  Label(panel_, "Тяговая сеть:", 4, 120);
  labelCaption_ = new CaptionLabel(panel_);
  labelCaption_->setObjectName("labelCaption");
  labelCaption_->setGeometry(86, 120, 384, 16);
  labelCaption_->schemeChosen = [this] { return state_.SchemeVariant != 0; };
  Label(panel_, "Потери мощности, кВт", 478, 120);
  labelLoss_ = Label(panel_, "", 620, 120, 160);
  labelLoss_->setObjectName("labelLoss");

  BuildTrainArea(panel_);
}

void MainWindow::BuildVoltagePanel(QWidget* panel) {
  voltagePanel_ = new QGroupBox(U("Напряжения"), panel);
  voltagePanel_->setObjectName("voltagePanel");
  voltagePanel_->setGeometry(246, 0, 228, 116);
  QWidget* g = voltagePanel_;
  Label(g, "П/ст А", 6, 20);
  editUaRe_ = Edit(g, "editUaRe", 50, 18, 74);
  editUaIm_ = Edit(g, "editUaIm", 128, 18, 74);
  Label(g, "В", 208, 20);
  Label(g, "П/ст Б", 6, 42);
  editUbRe_ = Edit(g, "editUbRe", 50, 40, 74);
  editUbIm_ = Edit(g, "editUbIm", 128, 40, 74);
  Label(g, "В", 208, 42);
  checkU_ = new QCheckBox("U", g);
  checkU_->setObjectName("checkU");
  checkU_->setGeometry(6, 66, 34, 18);
  Label(g, "m", 42, 67);
  editMeanU_ = Edit(g, "editMeanU", 56, 64, 72);
  Label(g, "s", 134, 67);
  editDevU_ = Edit(g, "editDevU", 146, 64, 72);
  checkD_ = new QCheckBox("d", g);
  checkD_->setObjectName("checkD");
  checkD_->setGeometry(6, 90, 34, 18);
  Label(g, "m", 42, 91);
  editMeanD_ = Edit(g, "editMeanD", 56, 88, 72);
  Label(g, "s", 134, 91);
  editDevD_ = Edit(g, "editDevD", 146, 88, 72);
  editMeanU_->setText(QString::fromStdString(state_.Voltages.MeanU));
  editDevU_->setText(QString::fromStdString(state_.Voltages.DevU));
  editMeanD_->setText(QString::fromStdString(state_.Voltages.MeanD));
  editDevD_->setText(QString::fromStdString(state_.Voltages.DevD));
}

void MainWindow::BuildTrainPanel(QWidget* panel) {
  trainPanel_ = new QFrame(panel);
  trainPanel_->setObjectName("trainPanel");
  trainPanel_->setGeometry(478, 0, 308, 70);
  QWidget* t = trainPanel_;
  Label(t, "Тип поезда", 2, 4);
  comboType_ = new QComboBox(t);
  comboType_->setObjectName("comboType");
  comboType_->setGeometry(84, 2, 140, 20);
  for (int k = 0; k < 4; ++k) comboType_->addItem(U(KindName(static_cast<uint8_t>(k))));
  Label(t, "Ток поезда", 2, 28);
  Label(t, "активный", 70, 28);
  editActive_ = Edit(t, "editActive", 128, 26, 58);
  Label(t, "реактивный", 190, 28);
  editReactive_ = Edit(t, "editReactive", 256, 26, 50);
  Label(t, "Скорость (км/ч)", 2, 52);
  editSpeed_ = Edit(t, "editSpeed", 100, 50, 58);
  Label(t, "километр", 190, 52);
  editKm_ = Edit(t, "editKm", 256, 50, 50);

  batchPanel_ = new QGroupBox(U("Пакетный пуск"), panel);
  batchPanel_->setObjectName("batchPanel");
  batchPanel_->setGeometry(478, 72, 308, 44);
  QWidget* b = batchPanel_;
  Label(b, "Поездов", 6, 20);
  editBatchTrains_ = Edit(b, "editBatchTrains", 60, 18, 40);
  Label(b, "минут", 106, 20);
  editBatchInterval_ = Edit(b, "editBatchInterval", 144, 18, 40);
  buttonBatch_ = Button(b, "buttonBatch", "Пуск пакета", 196, 15, 106, 24);
}

void MainWindow::BuildTrainArea(QWidget* panel) {
  const QString header = U(kTrainListHeader);
  auto* header1 = new QLabel(header, panel);
  header1->setGeometry(4, 142, 316, 14);
  list1_ = new QListWidget(panel);
  list1_->setObjectName("listTrack1");
  list1_->setGeometry(4, 157, 316, 88);
  buttonRemove1_ = Button(panel, "buttonRemove1", "Списать этот поезд", 4, 248, 316);

  buttonAdd1_ = Button(panel, "buttonAdd1", "Добавить поезд >", 324, 157, 142);
  buttonAdd2_ = Button(panel, "buttonAdd2", "< Добавить поезд", 324, 181, 142);
  buttonClearAll_ = Button(panel, "buttonClearAll", "Очистить все", 324, 205, 142);
  buttonPause_ = Button(panel, "buttonPause", "Пауза", 324, 229, 142);
  buttonResults_ = Button(panel, "buttonResults", "Смотреть результаты", 324, 253, 142);

  header2_ = new QLabel(header, panel);
  header2_->setGeometry(470, 142, 316, 14);
  list2_ = new QListWidget(panel);
  list2_->setObjectName("listTrack2");
  list2_->setGeometry(470, 157, 316, 88);
  buttonRemove2_ = Button(panel, "buttonRemove2", "Списать этот поезд", 470, 248, 316);
}

}  // namespace tps::ui
