#include "ui/ResultWindow.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QListWidget>
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
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(list_);
  resize(281, 425);
}

void ResultWindow::Open(const std::vector<std::string>& lines) {
  list_->clear();
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
