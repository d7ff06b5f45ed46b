#include "ui/CaptionLabel.h"

#include <QEnterEvent>
#include <QMouseEvent>

namespace tps::ui {

CaptionLabel::CaptionLabel(QWidget* parent) : QLabel(parent) {
  QFont f = font();
  f.setBold(true);
  setFont(f);
}

void CaptionLabel::enterEvent(QEnterEvent* e) {
  QFont f = font();
  if (schemeChosen && schemeChosen()) {
    f.setUnderline(true);
    setCursor(Qt::PointingHandCursor);
  } else {
    f.setUnderline(false);
    setCursor(Qt::ForbiddenCursor);
  }
  setFont(f);
  QLabel::enterEvent(e);
}

void CaptionLabel::leaveEvent(QEvent* e) {
  QFont f = font();
  f.setUnderline(false);
  setFont(f);
  setCursor(Qt::ArrowCursor);
  QLabel::leaveEvent(e);
}

void CaptionLabel::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
  QLabel::mouseReleaseEvent(e);
}

}  // namespace tps::ui
