#include "ui/ResultWindow.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace tps::ui {

ResultWindow::ResultWindow(QWidget* main) : QDialog(main) {
  setObjectName("resultWindow");
  setWindowTitle(QString::fromUtf8("Результат"));
  setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  list_ = new QListWidget(this);
  list_->setObjectName("resultList");
  QFont mono = list_->font();
  mono.setFamily("DejaVu Sans Mono");
  mono.setStyleHint(QFont::Monospace);
  list_->setFont(mono);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(list_);
  resize(281, 425);
}

void ResultWindow::Open(const std::vector<std::string>& lines) {
  list_->clear();
  for (const std::string& l : lines) list_->addItem(QString::fromStdString(l));
  if (QWidget* p = parentWidget()) move(p->geometry().center() - QPoint(width() / 2, height() / 2));
  setModal(true);
  show();
  raise();
}

}  // namespace tps::ui
