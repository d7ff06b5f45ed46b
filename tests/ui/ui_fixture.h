// A main window in a fresh working directory with the default data, shown
// offscreen, with its message boxes recorded instead of shown; and the
// actions of a user on it.
#pragma once

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/seed.h"
#include "params/conv.h"
#include "params/defaults.h"
#include "params/host.h"
#include "test_support.h"
#include "ui/MainWindow.h"
#include "ui/QtHost.h"

namespace tpstest {

// Types any text (the test library's key clicks know only ASCII).
inline void TypeText(QWidget* w, const QString& text) {
  for (QChar c : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_A, QString(c), Qt::NoModifier);
}

struct UiZone {
  TempDir dir;
  std::vector<tps::RecordedMessage> messages;
  // The answer to a question (OK or Cancel); an OK box is always seen.
  bool answer = true;
  std::unique_ptr<tps::ui::MainWindow> w;

  UiZone() {
    tps::SeedDefaultData(dir.Work());
    tps::ui::QtHost::SetMessageHook([this](tps::MsgKind k, const std::string& text, tps::MsgButtons b) {
      messages.push_back({k, text, b});
      return b == tps::MsgButtons::Ok || answer;
    });
    w = std::make_unique<tps::ui::MainWindow>(dir.Work());
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get())) qWarning("the main window was not exposed");
  }
  ~UiZone() {
    w.reset();
    tps::ui::QtHost::SetMessageHook({});
  }

  template <class T>
  T* Find(const char* name) const {
    T* t = w->findChild<T*>(QString::fromLatin1(name));
    if (!t) qFatal("no control %s", name);
    return t;
  }
  QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
  QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }
  QAction* Action(const char* name) const { return Find<QAction>(name); }
  tps::AppState& St() const { return w->State(); }
  std::filesystem::path File(const std::string& programPath) const {
    return dir.Work().Resolve(programPath);
  }

  // Replaces a field's text by typing and leaves it with Enter.
  void Type(QLineEdit* e, const QString& text) {
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    TypeText(e, text);
    QTest::keyClick(e, Qt::Key_Return);
  }
  void Click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
  // Check boxes and radio buttons react on their mark and caption only.
  void Tick(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2)); }
  void ChooseTab(int tab) {
    auto* bar = Find<QTabBar>("tabBar");
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
  }
  void ChooseDc() { Tick(Find<QRadioButton>("radioDc")); }
  void ChooseAc() { Tick(Find<QRadioButton>("radioAc")); }
  QStringList Lines(const char* list) const {
    QStringList out;
    auto* l = Find<QListWidget>(list);
    for (int k = 0; k < l->count(); ++k) out << l->item(k)->text();
    return out;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : messages) t.push_back(m.text);
    return t;
  }
};

// Runs `check` at every pass of the event queue while a run is under way
// (the run pumps the queue once per step). The chain ends at the first pass
// after the run; process the events once more before the window goes away.
inline void WhileRunning(tps::ui::MainWindow* w, std::function<void()> check) {
  QPointer<tps::ui::MainWindow> window(w);
  auto step = std::make_shared<std::function<void()>>();
  *step = [window, check, step] {
    if (!window || !window->RunActive()) {
      *step = nullptr;  // breaks the cycle of the shared step
      return;
    }
    check();
    QMetaObject::invokeMethod(
        qApp,
        [step] {
          if (*step) (*step)();
        },
        Qt::QueuedConnection);
  };
  QMetaObject::invokeMethod(
      qApp,
      [step] {
        if (*step) (*step)();
      },
      Qt::QueuedConnection);
}

// What of a window's text is cut: every shown label, button, box, choice
// item, read-only field, table heading, group title and tab whose text does
// not fit the room its widget gives it, or that lies outside its parent or
// over a sibling; each named with its text. Empty when everything reads whole.
inline QStringList CutTexts(QWidget* window) {
  QStringList cut;
  auto say = [&](QWidget* w, const QString& text, const char* why) {
    cut << QString("%1/%2 \"%3\": %4").arg(w->parentWidget() ? w->parentWidget()->objectName() : QString(),
                                             w->objectName(), text, QString::fromLatin1(why));
  };
  // The parts of compound widgets (a choice's field, a list's viewport, a
  // tab bar's arrows) are their owner's business.
  auto inner = [&](QWidget* w) {
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
      if (qobject_cast<QAbstractScrollArea*>(p) || qobject_cast<QComboBox*>(p) || qobject_cast<QTabBar*>(p))
        return true;
    return false;
  };
  auto widest = [](const QFontMetrics& fm, const QString& text) {
    int w = 0;
    for (const QString& line : text.split('\n')) w = std::max(w, fm.horizontalAdvance(line));
    return w;
  };
  const QList<QWidget*> all = window->findChildren<QWidget*>();
  for (QWidget* w : all) {
    if (!w->isVisibleTo(window) || w->isWindow() || inner(w)) continue;
    const QFontMetrics fm(w->font());
    if (auto* l = qobject_cast<QLabel*>(w)) {
      const QString text = l->text();
      if (text.isEmpty() || l->textFormat() == Qt::RichText) continue;
      const QRect room = l->contentsRect();
      if (l->wordWrap()) {
        if (room.height() < l->heightForWidth(l->width()) - 1) say(w, text, "wrapped text taller than its label");
      } else if (room.width() < widest(fm, text) ||
                 room.height() < fm.height() * static_cast<int>(text.count('\n') + 1)) {
        say(w, text, "text wider or taller than its label");
      }
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      const QString text = QString(b->text()).remove('&');
      if (text.isEmpty()) continue;
      QStyleOptionButton o;
      o.initFrom(b);
      o.text = text;
      QRect room;
      if (qobject_cast<QCheckBox*>(b))
        room = b->style()->subElementRect(QStyle::SE_CheckBoxContents, &o, b);
      else if (qobject_cast<QRadioButton*>(b))
        room = b->style()->subElementRect(QStyle::SE_RadioButtonContents, &o, b);
      else if (qobject_cast<QPushButton*>(b))
        room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &o, b);
      else
        room = b->rect().adjusted(3, 3, -3, -3);
      if (room.width() < widest(fm, text) || room.height() < fm.height())
        say(w, text, "text wider or taller than its button");
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      QStyleOptionComboBox o;
      o.initFrom(c);
      o.editable = c->isEditable();
      const QRect field = c->style()->subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, c);
      const int margin = c->isEditable() ? 6 : 0;
      QStringList texts;
      for (int k = 0; k < c->count(); ++k) texts << c->itemText(k);
      if (c->currentIndex() < 0 && !c->placeholderText().isEmpty()) texts << c->placeholderText();
      for (const QString& t : texts)
        if (field.width() < fm.horizontalAdvance(t) + margin) say(w, t, "item wider than its choice box");
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
      if (!e->isReadOnly() || e->text().isEmpty()) continue;
      QStyleOptionFrame o;
      o.initFrom(e);
      o.lineWidth = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &o, e);
      const int room = e->style()->subElementRect(QStyle::SE_LineEditContents, &o, e).width() - 4;
      if (room < fm.horizontalAdvance(e->text())) say(w, e->text(), "value wider than its field");
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
      if (!g->title().isEmpty() && g->width() < fm.horizontalAdvance(g->title()) + 8)
        say(w, g->title(), "title wider than its group");
    } else if (auto* t = qobject_cast<QTabBar*>(w)) {
      for (int k = 0; k < t->count(); ++k)
        if (t->tabRect(k).width() < fm.horizontalAdvance(t->tabText(k)) + 4) say(w, t->tabText(k), "tab cut");
    } else if (auto* h = qobject_cast<QHeaderView*>(w)) {
      const int margin = 2 * h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
      const QFontMetrics hf(h->font());
      for (int k = 0; k < h->count(); ++k) {
        if (h->isSectionHidden(k)) continue;
        const QString text = h->model()->headerData(k, h->orientation()).toString();
        const int lines = static_cast<int>(text.count('\n') + 1);
        const bool across = h->orientation() == Qt::Horizontal;
        if (h->sectionSize(k) < (across ? widest(hf, text) + margin : hf.height() * lines) ||
            (across ? h->height() < hf.height() * lines : h->width() < widest(hf, text) + margin))
          say(w, text, "heading cut");
      }
      continue;
    }
    // Whole inside its parent, and over no sibling that shows something.
    QWidget* parent = w->parentWidget();
    if (!parent || qobject_cast<QAbstractScrollArea*>(w->parentWidget())) continue;
    const bool shows = qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
                       qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w);
    if (!shows) continue;
    if (!parent->rect().contains(w->geometry())) say(w, w->objectName(), "cut at its parent's edge");
    for (QWidget* o : all)
      if (o != w && o->parentWidget() == parent && o->isVisibleTo(window) && !o->isWindow() &&
          !qobject_cast<QStatusBar*>(parent) && o->geometry().intersects(w->geometry()) &&
          (qobject_cast<QLabel*>(o) || qobject_cast<QAbstractButton*>(o) || qobject_cast<QComboBox*>(o) ||
           qobject_cast<QLineEdit*>(o) || qobject_cast<QAbstractScrollArea*>(o)))
        say(w, o->objectName(), "lies over a sibling");
  }
  return cut;
}

// Where Tab goes against the reading order of a window: from a control to
// one above it (not in a column to its right), or to one left of it in its
// row, anywhere but from the last control back to the first. Each such step
// named; empty when Tab reads the window as a page.
inline QStringList TabStepsBack(QWidget* window) {
  auto stop = [window](QWidget* w) {
    if (w == window || w->window() != window || !(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(window) ||
        !w->isEnabledTo(window))
      return false;
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
      if (qobject_cast<QAbstractScrollArea*>(p) || qobject_cast<QComboBox*>(p) || qobject_cast<QTabBar*>(p))
        return false;
    return true;
  };
  QList<QWidget*> chain;
  for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain())
    if (stop(w) && !chain.contains(w)) chain << w;
  // The chain is a ring: read as a page it steps back once, from the last
  // control to the first.
  auto place = [window](QWidget* w) { return QRect(w->mapTo(window, QPoint()), w->size()); };
  QStringList back;
  constexpr int kTolerance = 3;
  for (int k = 0; k < chain.size() && chain.size() > 1; ++k) {
    const QRect a = place(chain[k]), b = place(chain[(k + 1) % chain.size()]);
    const bool below = b.top() >= a.bottom() - kTolerance;
    const bool rightColumn = b.left() >= a.right() - kTolerance;
    const bool sameRow = b.top() <= a.bottom() && a.top() <= b.bottom() && b.left() >= a.left();
    if (!below && !rightColumn && !sameRow)
      back << chain[k]->objectName() + " -> " + chain[(k + 1) % chain.size()]->objectName();
  }
  if (back.size() == 1) back.clear();
  return back;
}

// Runs `check` on the modal dialog that `open` shows with its own event
// loop, then closes it.
inline void OnModal(const std::function<void()>& open, const std::function<void(QDialog*)>& check) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (d) {
      seen = true;
      check(d);
      d->accept();
    }
  });
  open();
  QVERIFY(seen);
}

// Little-endian f64 and length-prefixed Windows-1251 text at an offset of a record.
inline double F64At(const std::vector<uint8_t>& b, size_t off) {
  double v = 0;
  std::memcpy(&v, b.data() + off, 8);
  return v;
}
inline std::string TextAt(const std::vector<uint8_t>& b, size_t off) {
  return tps::Cp1251ToUtf8(std::string(reinterpret_cast<const char*>(b.data()) + off + 1, b[off]));
}

}  // namespace tpstest
