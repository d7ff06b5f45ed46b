// The schedule editor from the schedule panel: a new schedule made and saved
// beside the default one, the view without the inputs, the edit of the
// selected schedule, and "О программе".
#include <QGroupBox>
#include <QTest>
#include <QToolButton>

#include "driver/schedule_edit.h"
#include "ui/ScheduleEditor.h"
#include "ui_fixture.h"

using tpstest::UiZone;

namespace {

// A DC double-track zone in the schedule mode, the editor's save dialog
// answered with `saveAs`.
struct EditorZone : UiZone {
  std::string saveAs;
  EditorZone() {
    ChooseTab(1);
    ChooseDc();
    Click(Find<QToolButton>("buttonModeSchedule"));
    Ed()->askSaveName = [this](const std::string& preset) {
      offered = preset;
      return saveAs;
    };
  }
  std::string offered;
  tps::ui::ScheduleEditor* Ed() const { return w->Editor(); }
  template <class T>
  T* In(const char* name) const {
    T* t = Ed()->findChild<T*>(QString::fromLatin1(name));
    if (!t) qFatal("no control %s", name);
    return t;
  }
  QStringList EditorLines(const char* list) const {
    QStringList out;
    auto* l = In<QListWidget>(list);
    for (int k = 0; k < l->count(); ++k) out << l->item(k)->text();
    return out;
  }
  bool InputsShown() const {
    bool shown = true;
    for (const char* p : {"panelTime", "panelEvent", "panelParams"}) shown &= !In<QGroupBox>(p)->isHidden();
    return shown && !In<QPushButton>("buttonSaveExit")->isHidden();
  }
  void ClickRow(const char* list, int row) {
    auto* l = In<QListWidget>(list);
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
  }
};

}  // namespace

class EditorTest : public QObject {
  Q_OBJECT
 private slots:
  void newScheduleIsMadeAndSavedBesideTheDefault();
  void viewShowsTheListsWithoutInputs();
  void editShowsTheSelectedScheduleEventByEvent();
  void aboutNamesTheVersion();
};

void EditorTest::newScheduleIsMadeAndSavedBesideTheDefault() {
  EditorZone z;
  z.Click(z.Button("buttonNewSchedule"));
  QVERIFY(z.Ed()->isVisible() && z.Ed()->isModal());
  QCOMPARE(z.Ed()->windowTitle(), QString::fromUtf8("Чтение ГДП"));
  QVERIFY(z.InputsShown());
  QVERIFY(z.EditorLines("listTimes").isEmpty());
  QCOMPARE(z.In<QComboBox>("comboKind")->currentText(), QString());  // "Выбор" shown as the prompt
  QCOMPARE(z.In<QComboBox>("comboKind")->placeholderText(), QString::fromUtf8("Выбор"));

  // Without a kind chosen the event is refused.
  z.Click(z.In<QPushButton>("buttonAddEvent"));
  QVERIFY(z.Texts() == std::vector<std::string>{"Неправильный тип события"});
  z.In<QComboBox>("comboKind")->setCurrentIndex(0);
  z.In<QComboBox>("comboType")->setCurrentIndex(3);
  z.Type(z.In<QLineEdit>("editMinutes"), "2.5");  // 2.5 steps of 1 minute: time point 2, ties to even
  z.Click(z.In<QPushButton>("buttonAddEvent"));
  QCOMPARE(z.EditorLines("listTimes"), QStringList{"00:00:02"});
  QCOMPARE(z.EditorLines("listEvents"), QStringList{QString::fromUtf8("Поезд №1 появился на участке")});
  QCOMPARE(z.EditorLines("listDetails")[1], QString::fromUtf8("Тип: пассажирский"));

  // The preset name is the default schedule: refused, the editor stays with its schedule.
  z.saveAs = tps::kSaveNamePreset;
  z.Click(z.In<QPushButton>("buttonSaveExit"));
  QVERIFY(z.offered == "gdp\\file00.gdp");
  QVERIFY(z.Texts().back() == "Нельзя заменить этот файл");
  QVERIFY(z.Ed()->isVisible());
  z.saveAs = "gdp\\file01";
  z.Click(z.In<QPushButton>("buttonSaveExit"));
  QVERIFY(!z.Ed()->isVisible());
  QCOMPARE(z.Lines("listSchedules"), (QStringList{"file00.gdp", "file01.gdp"}));
  QCOMPARE(z.Find<QListWidget>("listSchedules")->currentRow(), 0);
  QCOMPARE(tpstest::ReadBytes(z.File("gdp\\file01.gdp")).size(), size_t(405 + 8 + 48));
}

void EditorTest::viewShowsTheListsWithoutInputs() {
  EditorZone z;
  z.Click(z.Button("buttonViewSchedule"));
  QVERIFY(z.Ed()->isVisible());
  QVERIFY(!z.InputsShown());
  const QStringList times = z.EditorLines("listTimes");
  QVERIFY(times.size() > 3);
  QCOMPARE(times.front(), QString("00:00:00"));
  QCOMPARE(z.EditorLines("listEvents").front(), QString::fromUtf8("Поезд №1 появился на участке"));
  z.ClickRow("listTimes", 1);
  QCOMPARE(z.EditorLines("listEvents").front(), QString::fromUtf8("Поезд №2 появился на участке"));
  QCOMPARE(z.EditorLines("listDetails").size(), 5);
  z.Click(z.In<QPushButton>("buttonExit"));
  QVERIFY(!z.Ed()->isVisible());
  QVERIFY(z.Ed()->Editor().CurrentSchedule == nullptr);  // "Выйти" releases the schedule
  QVERIFY(z.messages.empty());
}

void EditorTest::editShowsTheSelectedScheduleEventByEvent() {
  EditorZone z;
  const std::vector<uint8_t> before = tpstest::ReadBytes(z.File("gdp\\file00.gdp"));
  z.Click(z.Button("buttonEditSchedule"));
  QVERIFY(z.InputsShown());
  z.ClickRow("listTimes", z.EditorLines("listTimes").indexOf("00:00:05"));  // the express No. 3 appears
  QCOMPARE(z.In<QLineEdit>("editMinutes")->text(), QString("5"));
  QCOMPARE(z.In<QLineEdit>("editNumber")->text(), QString("3"));
  QCOMPARE(z.In<QComboBox>("comboType")->currentText(), QString::fromUtf8("скоростной"));
  QCOMPARE(z.In<QLineEdit>("editSpeed")->text(), QString("120"));
  const int points = z.EditorLines("listTimes").size();
  z.Click(z.In<QPushButton>("buttonDeleteTime"));
  QCOMPARE(z.EditorLines("listTimes").size(), points - 1);
  z.Click(z.In<QPushButton>("buttonExit"));
  // Nothing is saved on "Выйти".
  QCOMPARE(tpstest::ReadBytes(z.File("gdp\\file00.gdp")), before);
  QVERIFY(z.messages.empty());
}

void EditorTest::aboutNamesTheVersion() {
  UiZone z;
  z.Action("actAbout")->trigger();
  QVERIFY(z.Texts() == std::vector<std::string>{std::string("tpscalc ") + TPS_VERSION +
                                                "\nРасчет схем электроснабжения матричным методом"});
}

QTEST_MAIN(EditorTest)
#include "editor_test.moc"
