#include "ui/CompareDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>

#include "chartpaint/ChartPainter.h"
#include "charts/comparechart.h"
#include "params/conv.h"
#include "ui/MainWindow.h"

namespace tps::ui {

namespace {

QString U(const std::string& s) { return QString::fromUtf8(s.c_str()); }

QString Number(double v, int decimals) { return U(FormatFixed(v, 0, decimals)); }

}  // namespace

CompareDialog::CompareDialog(MainWindow* main) : StudyDialog(main, "compareDialog", "Сравнение схем") {
  bestPosts_ = new QCheckBox(U("Сначала найти лучшие места ПСК и ППС"), this);
  bestPosts_->setObjectName("bestPosts");
  runs_ = new QLineEdit(U("10"), this);
  runs_->setObjectName("runs");
  pictures_->hide();
  bar_->setRange(0, 100);
  table_ = new QTableWidget(0, 9, this);
  table_->setObjectName("table");
  table_->setHorizontalHeaderLabels({U("Схема"), U("Потери, кВт·ч"), U("Потери, %"), U("Среднее полезное, В"),
                                     U("Наименьшее, В"), U("Ниже 1-й нормы, %"), U("Ниже 2-й нормы, %"),
                                     U("Ток фидера, А"), U("Место")});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  best_ = new QLabel(this);
  best_->setObjectName("best");
  best_->setWordWrap(true);
  chart_ = new QLabel;
  chart_->setObjectName("chart");
  // A comparison of many schemes gives a wide chart: it scrolls, the dialog
  // stays on the screen.
  auto* chartArea = new QScrollArea(this);
  chartArea->setObjectName("chartArea");
  chartArea->setWidget(chart_);
  chartArea->setMinimumHeight(260);
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(U("Реализаций случайного потока"), this), 0, 0);
  grid->addWidget(runs_, 0, 1);
  grid->addWidget(bestPosts_, 1, 0, 1, 2);
  grid->addWidget(bar_, 2, 0, 1, 2);
  grid->addWidget(percent_, 3, 0, 1, 2);
  grid->addWidget(start_, 4, 0);
  grid->addWidget(stop_, 4, 1);
  grid->addWidget(table_, 5, 0, 1, 2);
  grid->addWidget(best_, 6, 0, 1, 2);
  grid->addWidget(chartArea, 7, 0, 1, 2);
  connect(start_, &QPushButton::clicked, this, &CompareDialog::StartClicked);
}

void CompareDialog::showEvent(QShowEvent* e) {
  const bool random = main_->State().RunMode == ModeProb;
  runs_->setEnabled(random);
  bestPosts_->setEnabled(!random);
  bar_->setValue(0);
  percent_->setText(U("0 %"));
  QDialog::showEvent(e);
}

void CompareDialog::ShowProgress(size_t done, size_t total) {
  if (total == 0) return;
  const int part = static_cast<int>(done * 100 / total);
  bar_->setValue(part);
  percent_->setText(U(std::to_string(part) + " %"));
}

void CompareDialog::StartClicked() {
  CompareInput in;
  AppState& st = main_->State();
  if (st.RunMode == ModeProb) {
    int32_t n = 0;
    if (!TryStrToInt(runs_->text().toStdString(), n) || n < 1 || n > 100000) {
      main_->ShowError("Реализаций случайного потока: целое число от 1 до 100000");
      return;
    }
    in.Runs = static_cast<size_t>(n);
  } else {
    in.Schedule = main_->SelectedSchedule();
    if (in.Schedule.empty()) {
      main_->ShowError("Не выбран ГДП для сравнения схем");
      return;
    }
    in.BestPosts = bestPosts_->isChecked();
    double zone = 0;
    TryStrToFloat(st.Params.ZoneLength.Get(), zone);
    in.Bounds = TaskInput{"1", FloatToStr(zone - 1), "1"};
  }
  auto result = result_;
  *result = CompareResult();
  Launch([in, result](AppState& s, StudyControl& ctl) { *result = CompareSchemes(s, in, ctl); },
         [this] { ShowResult(); });
}

void CompareDialog::ShowResult() {
  const CompareResult& r = *result_;
  table_->setRowCount(0);
  if (r.Outcome != RunOutcome::Finished) {
    best_->setText(U(r.Outcome == RunOutcome::Refused ? "Нет схемы для сравнения" : "Сравнение не выполнено"));
    chart_->clear();
    return;
  }
  for (const SchemeComparison& c : r.Schemes) {
    if (c.Runs.empty()) continue;
    const int row = table_->rowCount();
    table_->insertRow(row);
    auto mean = [&](double (*of)(const SchemeRunFigures&)) { return Summarize(c.Figure(of)).Mean; };
    const QString cells[9] = {
        U(std::to_string(c.Variant) + " " + c.Name),
        Number(mean([](const SchemeRunFigures& x) { return x.LossWh / 1000; }), 3),
        Number(mean([](const SchemeRunFigures& x) { return x.LossPercent; }), 2),
        Number(mean([](const SchemeRunFigures& x) { return x.Norms.MeanUsefulVoltage(); }), 1),
        Number(mean([](const SchemeRunFigures& x) { return x.Norms.Lowest.Voltage; }), 1),
        Number(mean([](const SchemeRunFigures& x) { return x.Norms.Below1Share() * 100; }), 2),
        Number(mean([](const SchemeRunFigures& x) { return x.Norms.Below2Share() * 100; }), 2),
        Number(mean([](const SchemeRunFigures& x) { return x.Norms.PeakFeederCurrent(); }), 1),
        c.Rank > 0 ? QString::number(c.Rank) : U("—")};
    for (int k = 0; k < 9; ++k) {
      auto* item = new QTableWidgetItem(cells[k]);
      item->setToolTip(U(c.Reason));
      table_->setItem(row, k, item);
    }
  }
  std::string text = r.Best ? "Лучшая схема: " + std::to_string(r.Best) + " — " + r.BestReason : r.BestReason;
  for (const SchemeComparison& c : r.Schemes)
    if (c.Variant != r.Best) text += "\nСхема " + std::to_string(c.Variant) + ": " + c.Reason;
  for (const UnfitScheme& u : r.Unfit) text += "\nСхема " + std::to_string(u.Variant) + " не подходит: " + u.Reason;
  if (r.Stopped) text += "\nСравнение остановлено: показаны полностью рассчитанные реализации";
  best_->setText(U(text));
  try {
    const ChartGeometry g = BuildCompareChart(r, NormsOfRun(main_->State()));
    chart_->setPixmap(QPixmap::fromImage(paint::ChartImage(g, devicePixelRatioF())));
    chart_->adjustSize();
  } catch (const ChartError&) {
    chart_->clear();
  }
}

}  // namespace tps::ui
