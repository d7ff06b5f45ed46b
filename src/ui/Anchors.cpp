#include "ui/Anchors.h"

#include <QEvent>
#include <QWidget>
#include <cmath>

namespace tps::ui {

AnchorLayout::AnchorLayout(QWidget* container) : QObject(container), container_(container) {
  container->installEventFilter(this);
}

void AnchorLayout::Add(QWidget* w, Anchor a) {
  entries_.push_back({w, w->geometry(), a});
}

void AnchorLayout::Freeze() {
  base_ = container_->size();
  for (Entry& e : entries_)
    if (e.W) e.Place = e.W->geometry();
  frozen_ = true;
}

void AnchorLayout::SetShare(double share) {
  if (share == share_) return;
  share_ = share;
  Apply();
}

void AnchorLayout::Apply() {
  if (!frozen_) return;
  const int dx = std::max(0, container_->width() - base_.width());
  const int dy = std::max(0, container_->height() - base_.height());
  // The same rounding for every edge keeps the gaps between neighbours.
  auto by = [this](double share, int extra) {
    return static_cast<int>(std::lround((share == kShare ? share_ : share) * extra));
  };
  for (const Entry& e : entries_) {
    if (!e.W) continue;
    const QRect& p = e.Place;
    const int left = p.left() + by(e.A.Left, dx), right = p.right() + by(e.A.Right, dx);
    const int top = p.top() + by(e.A.Top, dy), bottom = p.bottom() + by(e.A.Bottom, dy);
    e.W->setGeometry(QRect(QPoint(left, top), QPoint(right, bottom)));
  }
}

bool AnchorLayout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == container_ && event->type() == QEvent::Resize) Apply();
  return QObject::eventFilter(watched, event);
}

}  // namespace tps::ui
