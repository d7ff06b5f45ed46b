#include "ui/ChartWindow.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "chartpaint/ChartPainter.h"
#include "ui/Keyboard.h"

namespace tps::ui {

namespace {

QString U(const char* s) {
  return QString::fromUtf8(s);
}

constexpr int kWideLimit = 800;
constexpr int kScrollHeight = 17;

}  // namespace

// The image, shifted left by the scroll bar's position; once scrolled, the
// value axes stay in view over the band left of the plot.
class ChartView : public QWidget {
 public:
  explicit ChartView(QWidget* parent) : QWidget(parent) {}
  const QImage* image = nullptr;
  const ChartGeometry* geometry = nullptr;
  int offset = 0;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!image) return;
    p.drawImage(-offset, 0, *image);
    if (offset > 0 && geometry) paint::PaintPinned(p, *geometry);
  }
};

ChartWindow::ChartWindow(AppState& st, QWidget* parent) : QDialog(parent), st_(st) {
  setObjectName("ChartWindow");
  setModal(true);
  view_ = new ChartView(this);
  view_->setObjectName("chartView");
  scroll_ = new QScrollBar(Qt::Horizontal, this);
  scroll_->setObjectName("chartScroll");
  scroll_->setSingleStep(10);
  connect(scroll_, &QScrollBar::valueChanged, this, [this](int v) {
    view_->offset = v;
    view_->update();
  });
}

void ChartWindow::Prepare(int kind, const std::string& scheduleName) {
  // A fresh image every opening; nothing of the last chart stays when this one fails.
  ChartGeometry g = OpenChart(st_, kind, scheduleName);
  // As fine as the screen: sharp at 150 % and 200 %.
  QImage img = paint::ChartImage(g, devicePixelRatioF());
  geometry_ = std::move(g);
  image_ = std::move(img);
  view_->image = &image_;
  view_->geometry = &geometry_;
  const int w = geometry_.Width;
  const bool wide = w > kWideLimit;
  const int winW = wide ? kWideLimit : w + 6;
  const int winH = wide ? 530 : 525;
  // The window opens at the chart's size and may grow as far as the chart;
  // a window narrower than its chart scrolls it.
  setMinimumSize(std::min(winW, 300), winH);
  setMaximumSize(std::max(winW, w + 6), winH);
  resize(winW, winH);
  Place();
  scroll_->setValue(0);
  view_->offset = 0;
  setWindowTitle(QString::fromStdString(geometry_.ValueUnit));
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    const QRect r = s->availableGeometry();
    move(r.x() + (r.width() - winW) / 2, r.y() + (r.height() - winH) / 2);
  }
}

void ChartWindow::Place() {
  const int w = geometry_.Width;
  const bool scrolls = w + 6 > width();
  view_->setGeometry(0, 0, width(), kChartHeight);
  scroll_->setGeometry(0, height() - kScrollHeight, width(), kScrollHeight);
  scroll_->setRange(0, std::max(0, w - width()));
  scroll_->setPageStep(width());
  scroll_->setVisible(scrolls);
  if (!scrolls) scroll_->setValue(0);
}

void ChartWindow::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  Place();
}

void ChartWindow::Open(int kind, const std::string& scheduleName) {
  Prepare(kind, scheduleName);
  exec();
}

void ChartWindow::done(int r) {
  // Closing frees the image.
  view_->image = nullptr;
  image_ = QImage();
  QDialog::done(r);
}

void ChartWindow::wheelEvent(QWheelEvent* e) {
  const int by = (e->modifiers() & Qt::ControlModifier) ? 400 : 50;
  const int dy = e->angleDelta().y();
  if (dy > 0)
    scroll_->setValue(scroll_->value() - by);
  else if (dy < 0)
    scroll_->setValue(scroll_->value() + by);
  e->accept();
}

void ChartWindow::SavePng(const std::filesystem::path& file) const {
  paint::SaveBytes(file, paint::ChartPng(geometry_));
}

void ChartWindow::SaveSvg(const std::filesystem::path& file) const {
  paint::SaveBytes(file, paint::ChartSvg(geometry_));
}

void ChartWindow::SaveCsv(const std::filesystem::path& file) const {
  paint::SaveCsv(file, geometry_);
}

void ChartWindow::SaveAs(const char* filter, const char* suffix,
                         void (ChartWindow::*save)(const std::filesystem::path&) const) {
  QString name = QFileDialog::getSaveFileName(this, U("Сохранить график"), QString(), U(filter));
  if (name.isEmpty()) return;
  if (!name.endsWith(U(suffix), Qt::CaseInsensitive)) name += U(suffix);
  try {
    (this->*save)(std::filesystem::path(name.toStdString()));
  } catch (const std::exception& e) {
    QMessageBox::critical(this, U("Ошибка"), QString::fromUtf8(e.what()));
  }
}

void ChartWindow::contextMenuEvent(QContextMenuEvent* e) {
  QMenu m(this);
  QAction* png = m.addAction(U("Сохранить как PNG..."));
  QAction* svg = m.addAction(U("Сохранить как SVG..."));
  QAction* csv = m.addAction(U("Сохранить данные в CSV..."));
  QAction* chosen = m.exec(e->globalPos());
  if (chosen == png) SaveAs("PNG (*.png)", ".png", &ChartWindow::SavePng);
  if (chosen == svg) SaveAs("SVG (*.svg)", ".svg", &ChartWindow::SaveSvg);
  if (chosen == csv) SaveAs("CSV (*.csv)", ".csv", &ChartWindow::SaveCsv);
}

// ---------------------------------------------------------------- options

ChartOptionsDialog::ChartOptionsDialog(AppState& st, QWidget* parent) : QDialog(parent), st_(st) {
  setObjectName("ChartOptionsDialog");
  KeepReadingTabOrder(this);
  setWindowTitle(U("Графические опции"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(U("Рисовать токи фидеров"), this);
  auto* g = new QVBoxLayout(group);
  const char* names[4] = {"Фидер1", "Фидер2", "фидер3", "Фидер4"};
  for (int k = 0; k < 4; ++k) {
    feeders_[k] = new QCheckBox(U(names[k]), group);
    feeders_[k]->setObjectName(QString("boxFeeder%1").arg(k + 1));
    g->addWidget(feeders_[k]);
    connect(feeders_[k], &QCheckBox::toggled, this, [this, k](bool on) {
      if (!st_.ChartOpts.All) st_.ChartOpts.Feeders[k] = on;
    });
  }
  all_ = new QCheckBox(U("Все"), group);
  all_->setObjectName("boxAll");
  g->addWidget(all_);
  connect(all_, &QCheckBox::toggled, this, [this](bool on) {
    st_.ChartOpts.All = on;
    if (on)
      for (bool& f : st_.ChartOpts.Feeders) f = true;
    Show();
  });
  layout->addWidget(group);
  auto* ok = new QPushButton(U("OK"), this);
  ok->setObjectName("buttonOk");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok);
  Show();
}

void ChartOptionsDialog::Show() {
  const QSignalBlocker block(all_);
  all_->setChecked(st_.ChartOpts.All);
  for (int k = 0; k < 4; ++k) {
    const QSignalBlocker b(feeders_[k]);
    feeders_[k]->setChecked(st_.ChartOpts.All || st_.ChartOpts.Feeders[k]);
    feeders_[k]->setEnabled(!st_.ChartOpts.All);
  }
}

void ChartOptionsDialog::showEvent(QShowEvent* e) {
  // The boxes in the colours of their series: the legend.
  for (int k = 0; k < 4; ++k) {
    const uint32_t c = kFeederBoxColours[k];
    QPalette p = feeders_[k]->palette();
    p.setColor(QPalette::WindowText, QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    feeders_[k]->setPalette(p);
  }
  Show();
  QDialog::showEvent(e);
}

NormsDialog::NormsDialog(AppState& st, QWidget* parent) : QDialog(parent), st_(st) {
  setObjectName("NormsDialog");
  KeepReadingTabOrder(this);
  setWindowTitle(U("Нормы напряжений"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* table = new QTableWidget(3, 2, this);
  table->setObjectName("tableNorms");
  table->setHorizontalHeaderLabels({U("Постоянный"), U("Переменный")});
  table->setVerticalHeaderLabels({U("Минимум на ТКПР"), U("Максимум на ТКПР"), U("Минимум на ТКПР*")});
  const char* values[3][2] = {{"2 700", "21 000"}, {"4 000", "30 000"}, {"2 400", "19 000"}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 2; ++c) table->setItem(r, c, new QTableWidgetItem(U(values[r][c])));
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Every heading whole ("Постоянный", "Минимум на ТКПР*"): the columns as
  // wide as their texts, the table as large as its columns and rows.
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
  table->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
  table->resizeColumnsToContents();
  table->setMinimumSize(table->sizeHint());
  layout->addWidget(table);
  auto* relaxed = new QRadioButton(U("Некритично"), this);
  relaxed->setObjectName("radioRelaxed");
  critical_ = new QRadioButton(U("Критично"), this);
  critical_->setObjectName("radioCritical");
  (st_.ChartOpts.NormsCritical ? critical_ : relaxed)->setChecked(true);
  connect(critical_, &QRadioButton::toggled, this, [this](bool on) { st_.ChartOpts.NormsCritical = on; });
  layout->addWidget(relaxed);
  layout->addWidget(critical_);
  auto* ok = new QPushButton(U("OK"), this);
  ok->setObjectName("buttonOk");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok);
}

}  // namespace tps::ui
