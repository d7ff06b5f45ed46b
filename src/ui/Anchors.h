// How the controls of a container laid out at fixed places follow when the
// container grows beyond the size they were placed for: each edge of a
// control moves by a share of the extra width (left, right) or height (top,
// bottom). A control whose edges move alike slides; one whose right or
// bottom edge moves further grows. At the container's smallest size every
// control stands where it was placed.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

namespace tps::ui {

struct Anchor {
  // The share of the extra width or height each edge moves by (0 .. 1), or
  // kShare: the share the layout is given at the time (SetShare).
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
};
inline constexpr double kShare = -1;

class AnchorLayout : public QObject {
 public:
  // Follows `container`'s size from now on; the controls added are placed
  // for the size it has when Freeze is called.
  explicit AnchorLayout(QWidget* container);
  void Add(QWidget* w, Anchor a);
  // The container's present size is its smallest; the controls' present
  // places are theirs at that size.
  void Freeze();
  QSize Base() const { return base_; }
  // A share that the anchors given as kShare take, e.g. of the extra height
  // a panel takes in one mode and not in another.
  void SetShare(double share);
  // The controls placed for the container's present size.
  void Apply();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Entry {
    QPointer<QWidget> W;
    QRect Place;
    Anchor A;
  };
  QWidget* container_;
  QSize base_;
  double share_ = 0;
  bool frozen_ = false;
  std::vector<Entry> entries_;
};

}  // namespace tps::ui
