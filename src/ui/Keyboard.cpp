#include "ui/Keyboard.h"

#include <QEvent>
#include <QLineEdit>
#include <QValidator>
#include <algorithm>
#include <vector>

namespace tps::ui {

namespace {

// Accepts any text and turns its commas into points as it is typed; what the
// text means is for the program's checks to say.
class CommaToPoint : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    input.replace(QLatin1Char(','), QLatin1Char('.'));
    return Acceptable;
  }
};

bool HasTabStops(const QWidget* w) {
  for (const QObject* o : w->children()) {
    const auto* c = qobject_cast<const QWidget*>(o);
    if (!c || c->isWindow() || c->isHidden()) continue;
    if ((c->focusPolicy() & Qt::TabFocus) || HasTabStops(c)) return true;
  }
  return false;
}

struct Unit {
  QWidget* W;
  QRect R;
  bool Leaf;
};

// Splits the units into bands along one axis where none overlaps the gap
// between them (rows when `rows`, columns otherwise).
std::vector<std::vector<Unit>> Bands(std::vector<Unit> units, bool rows) {
  std::stable_sort(units.begin(), units.end(), [rows](const Unit& a, const Unit& b) {
    return rows ? a.R.top() < b.R.top() : a.R.left() < b.R.left();
  });
  std::vector<std::vector<Unit>> bands;
  int reach = 0;
  for (const Unit& u : units) {
    const int from = rows ? u.R.top() : u.R.left();
    const int to = rows ? u.R.bottom() : u.R.right();
    // Neighbours touching by a pixel or two still stand apart.
    if (bands.empty() || from > reach - 2) {
      bands.emplace_back();
      reach = to;
    }
    bands.back().push_back(u);
    reach = std::max(reach, to);
  }
  return bands;
}

void Order(std::vector<Unit> units, std::vector<QWidget*>& out);

void Expand(const Unit& u, std::vector<QWidget*>& out) {
  if (u.Leaf) {
    out.push_back(u.W);
    return;
  }
  std::vector<Unit> inner;
  for (QObject* o : u.W->children()) {
    auto* c = qobject_cast<QWidget*>(o);
    if (!c || c->isWindow() || c->isHidden()) continue;
    const bool leaf = (c->focusPolicy() & Qt::TabFocus) != 0;
    if (!leaf && !HasTabStops(c)) continue;
    inner.push_back({c, c->geometry(), leaf});
  }
  Order(inner, out);
}

void Order(std::vector<Unit> units, std::vector<QWidget*>& out) {
  if (units.empty()) return;
  if (units.size() > 1) {
    for (bool rows : {true, false}) {
      std::vector<std::vector<Unit>> bands = Bands(units, rows);
      if (bands.size() > 1) {
        for (auto& b : bands) Order(b, out);
        return;
      }
    }
    // Overlapping controls: top to bottom, then left to right.
    std::stable_sort(units.begin(), units.end(), [](const Unit& a, const Unit& b) {
      return a.R.top() != b.R.top() ? a.R.top() < b.R.top() : a.R.left() < b.R.left();
    });
  }
  for (const Unit& u : units) Expand(u, out);
}

class TabOrderKeeper : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Show && o == parent()) SetReadingTabOrder(static_cast<QWidget*>(o));
    return QObject::eventFilter(o, e);
  }
};

}  // namespace

void AcceptDecimalComma(QLineEdit* e) {
  if (e) e->setValidator(new CommaToPoint(e));
}

void AcceptDecimalComma(std::initializer_list<QLineEdit*> fields) {
  for (QLineEdit* e : fields) AcceptDecimalComma(e);
}

QWidget* DecimalCommaDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const {
  QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
  AcceptDecimalComma(qobject_cast<QLineEdit*>(w));
  return w;
}

void SetReadingTabOrder(QWidget* window) {
  std::vector<QWidget*> order;
  Expand({window, window->rect(), false}, order);
  for (size_t k = 1; k < order.size(); ++k) QWidget::setTabOrder(order[k - 1], order[k]);
}

void KeepReadingTabOrder(QWidget* window) {
  window->installEventFilter(new TabOrderKeeper(window));
}

}  // namespace tps::ui
