#include "ui/ProbParamsWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "driver/runs.h"
#include "params/conv.h"
#include "traffic/randomflow.h"
#include "ui/Keyboard.h"
#include "ui/MainWindow.h"

namespace tps::ui {

namespace {

// The column heads: the current and speed groups over their columns.
const char* const kHeads[7] = {"Токи поездов, А\nакт мин", "акт макс", "реакт мин", "реакт макс",
                               "Скорости, км/ч\nмин",      "макс",     "Количество"};

}  // namespace

ProbParamsWindow::ProbParamsWindow(MainWindow* main) : QDialog(main), main_(main) {
  setObjectName("probParamsWindow");
  setWindowTitle(QString::fromUtf8("Параметры поездов для вероятностного метода расчёта"));
  grid_ = new QTableWidget(4, 7, this);
  grid_->setObjectName("gridProb");
  QStringList heads, rows;
  for (const char* h : kHeads) heads << QString::fromUtf8(h);
  for (const char* r : kFlowRowNames) rows << QString::fromUtf8(r);
  grid_->setHorizontalHeaderLabels(heads);
  grid_->setVerticalHeaderLabels(rows);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  // The whole grid in view at the smallest size; a larger window spreads it.
  grid_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
  grid_->setItemDelegate(new DecimalCommaDelegate(grid_));
  auto* total = new QLabel(QString::fromUtf8("Всего"), this);
  editTotal_ = new QLineEdit(this);
  editTotal_->setObjectName("editTotal");
  editTotal_->setReadOnly(true);
  editTotal_->setMaximumWidth(90);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grid_, 1);
  auto* row = new QHBoxLayout;
  row->addWidget(total);
  row->addWidget(editTotal_);
  row->addStretch(1);
  layout->addLayout(row);
  auto button = [this, row](const char* name, const char* text) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    row->addWidget(b);
    return b;
  };
  connect(button("buttonProbSave", "Сохранить"), &QPushButton::clicked, this, [this] { SaveClicked(); });
  connect(button("buttonProbRevert", "Вернуть"), &QPushButton::clicked, this, [this] { RevertClicked(); });
  connect(button("buttonProbExit", "Выход"), &QPushButton::clicked, this, [this] { hide(); });
  connect(grid_, &QTableWidget::cellChanged, this, [this](int, int column) {
    if (column == 6 && !filling_) ShowTotal();
  });
  KeepReadingTabOrder(this);
}

void ProbParamsWindow::GridFromState() {
  filling_ = true;
  const AppState& st = main_->State();
  for (int k = 0; k < 4; ++k)
    for (int c = 0; c < 7; ++c)
      grid_->setItem(k, c, new QTableWidgetItem(QString::fromStdString(st.Prob.Grid[k][c])));
  filling_ = false;
  ShowTotal();
  grid_->resizeColumnsToContents();
  grid_->updateGeometry();
}

void ProbParamsWindow::GridToState() {
  AppState& st = main_->State();
  for (int k = 0; k < 4; ++k)
    for (int c = 0; c < 7; ++c) {
      const QTableWidgetItem* item = grid_->item(k, c);
      st.Prob.Grid[k][c] = item ? item->text().toStdString() : std::string();
    }
}

void ProbParamsWindow::Open() {
  if (!main_->Guard([&] { LoadProbTrainParams(main_->State()); })) return;
  GridFromState();
  setModal(true);
  show();
  raise();
}

void ProbParamsWindow::SaveClicked() {
  GridToState();
  main_->Guard([&] { SaveProbTrainParams(main_->State()); });
}

void ProbParamsWindow::RevertClicked() {
  if (main_->Guard([&] { LoadProbTrainParams(main_->State()); })) GridFromState();
}

void ProbParamsWindow::ShowTotal() {
  long long sum = 0;
  for (int k = 0; k < 4; ++k) {
    const QTableWidgetItem* item = grid_->item(k, 6);
    const std::string text = item ? item->text().toStdString() : std::string();
    if (text.empty()) return;
    int32_t n = 0;
    if (!TryStrToInt(text, n)) return;
    sum += n;
  }
  editTotal_->setText(QString::number(sum));
}

}  // namespace tps::ui
