// The scheme caption label of the network panel: bold; under the mouse it is
// underlined with the pointing hand when a scheme is chosen, and shows the
// "not allowed" cursor when none is; a click asks for the traction-network
// window.
#pragma once

#include <QLabel>
#include <functional>

namespace tps::ui {

class CaptionLabel : public QLabel {
  Q_OBJECT
 public:
  explicit CaptionLabel(QWidget* parent = nullptr);
  std::function<bool()> schemeChosen;

 signals:
  void clicked();

 protected:
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
};

}  // namespace tps::ui
