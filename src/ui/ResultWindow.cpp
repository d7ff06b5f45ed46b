#include "ui/ResultWindow.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace tps::ui {

ResultWindow::ResultWindow(QWidget* main) : QDialog(main) {
  setObjectName("resultWindow");
  setWindowTitle(QString::fromUtf8("Результат"));
  setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  list_ = new QListWidget(this);
  list_->setObjectName("resultList");
  // The report's columns line up only in a font of one width for every character.
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setStyleHint(QFont::TypeWriter);
  mono.setFixedPitch(true);
  mono.setPointSize(9);
  list_->setFont(mono);
  list_->setTextElideMode(Qt::ElideNone);
  list_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  normsBox_ = new QGroupBox(QString::fromUtf8("Соответствие нормам"), this);
  normsBox_->setObjectName("normsBox");
  norms_ = new QListWidget(normsBox_);
  norms_->setObjectName("normsList");
  norms_->setTextElideMode(Qt::ElideNone);
  norms_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  auto* boxLayout = new QVBoxLayout(normsBox_);
  boxLayout->setContentsMargins(4, 4, 4, 4);
  boxLayout->addWidget(norms_);
  normsBox_->hide();
  saveSteps_ = new QPushButton(QString::fromUtf8("Сохранить по шагам…"), this);
  saveSteps_->setObjectName("saveSteps");
  saveReport_ = new QPushButton(QString::fromUtf8("Сохранить отчёт…"), this);
  saveReport_->setObjectName("saveReport");
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 4);
  auto* layout = new QHBoxLayout;
  layout->addWidget(list_, 1);
  layout->addWidget(normsBox_, 1);
  outer->addLayout(layout, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(saveSteps_);
  buttons->addWidget(saveReport_);
  buttons->addSpacing(4);
  outer->addLayout(buttons);
  resize(281, 425);
}

void ResultWindow::Open(const std::vector<std::string>& lines, const std::vector<std::string>& normLines) {
  list_->clear();
  norms_->clear();
  int widestNorm = 0;
  const QFontMetrics nfm(norms_->font());
  for (const std::string& l : normLines) {
    const QString text = QString::fromStdString(l);
    norms_->addItem(text);
    widestNorm = std::max(widestNorm, nfm.horizontalAdvance(text));
  }
  normsBox_->setVisible(!normLines.empty());
  const QFontMetrics fm(list_->font());
  int widest = 0;
  for (const std::string& l : lines) {
    const QString text = QString::fromStdString(l);
    list_->addItem(text);
    widest = std::max(widest, fm.horizontalAdvance(text));
  }
  // Wide enough for the longest line (step headers, the induced-voltage
  // caption) beside the vertical scroll bar, as far as the screen allows;
  // the user may resize it further.
  int w = widest + 2 * list_->frameWidth() + list_->verticalScrollBar()->sizeHint().width() + 12;
  // The report keeps its whole width beside the norm block.
  list_->setMinimumWidth(normLines.empty() ? 0 : std::min(w, 900));
  if (!normLines.empty()) w += widestNorm + 2 * norms_->frameWidth() + 32;
  int h = std::max(height(), 425);
  if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
    w = std::min(w, s->availableGeometry().width() - 40);
    h = std::min(h, s->availableGeometry().height() - 80);
  }
  resize(std::max(w, 281), h);
  if (QWidget* p = parentWidget()) move(p->geometry().center() - QPoint(width() / 2, height() / 2));
  setModal(true);
  show();
  raise();
}

}  // namespace tps::ui
