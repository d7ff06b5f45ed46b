// A main window in a fresh working directory with the default data, shown
// offscreen, with its message boxes recorded instead of shown; and the
// actions of a user on it.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
  std::unique_ptr<tps::ui::MainWindow> w;

  UiZone() {
    tps::SeedDefaultData(dir.Work());
    tps::ui::QtHost::SetMessageHook([this](tps::MsgKind k, const std::string& text, tps::MsgButtons b) {
      messages.push_back({k, text, b});
      return true;
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
