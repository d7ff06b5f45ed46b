// The main window as a user meets it: caption and size, the report's life,
// the scheme controls with the fields of each scheme, the picture, the train
// lists and the menus.
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>
#include <QToolButton>
#include <cmath>

#include "driver/draw.h"
#include "ui/NetworkWindow.h"
#include "ui/SchemePictureWidget.h"
#include "ui_fixture.h"

using tpstest::UiZone;

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void captionSizeAndReportFile();
  void directCurrentSingleTrackEnablesItsFields();
  void alternatingCurrentEnablesAllNine();
  void sectioningPostAppearsOnDoubleTrack();
  void trainsOnBothTracksAreListedAndDrawn();
  void feedersOffLeaveTrackTwoWithoutTrains();
  void schemeWithoutSavedStateStartsNotGiven();
  void voltageSwitchesRestoreTheSavedVoltages();
  void menusAndTheHiddenSwitch();
  void captionLabelOpensTheNetworkWindowOnlyWithAScheme();
  void everyControlStandsWholeAndApart();
  void currentKindChangeSwitchesTheRandomDrawOff();
  void fiftyFirstTrainOfATrackIsRefusedAloud();
  void longListLinesScrollSideways();
  void windowGrowsAndTheZoneWithIt();
  void keyboardReachesTheMenusAndTheFrequentCommands();
  void typedCommaIsTheDecimalPoint();
  void qtDialogsSpeakTheUsersLanguage();
};

void MainWindowTest::captionSizeAndReportFile() {
  std::filesystem::path report;
  {
    tps::ui::NameApplication();
    UiZone z;
    const QString caption = QString::fromUtf8("Расчет схем электроснабжения матричным методом ");
    QCOMPARE(z.w->windowTitle(), caption);
    // The title bar shows the caption alone: the window system appends the
    // application's display name to a title unless none is set.
    const QString app = QGuiApplication::applicationDisplayName();
    QVERIFY2(app == QCoreApplication::applicationName() || caption.endsWith(app), qPrintable(app));
    // At its smallest the client area holds the whole 800-pixel picture.
    QCOMPARE(z.w->centralWidget()->width(), 800);
    QCOMPARE(z.w->centralWidget()->minimumWidth(), 800);
    QVERIFY(z.w->centralWidget()->height() >= 524);
    QCOMPARE(z.w->PictureWidget()->size(), QSize(800, 200));
    QCOMPARE(z.w->PictureWidget()->pos(), QPoint(0, 0));
    QCOMPARE(z.Edit("editTime")->text(), QString("00:00:00:00"));
    report = z.dir.Path() / "final.txt";
    QVERIFY(std::filesystem::exists(report));
    QCOMPARE(std::filesystem::file_size(report), std::uintmax_t{0});
    // Nothing chosen yet: the zone length and the train buttons wait.
    QVERIFY(!z.Edit("editZone")->isEnabled());
    QVERIFY(!z.Button("buttonAdd1")->isEnabled());
    QVERIFY(z.Button("buttonAdd2")->isHidden());
    QVERIFY(z.Edit("editPsk")->isHidden());
    QVERIFY(z.Find<QCheckBox>("box3")->isHidden());
    QVERIFY(!z.Find<QCheckBox>("box1")->isEnabled());
    QVERIFY(z.Button("buttonResults")->isHidden());
    QVERIFY(!z.Action("actNetwork")->isEnabled());
    QVERIFY(!z.Action("actAc")->isEnabled());
    z.w.reset();
    QVERIFY(!std::filesystem::exists(report));
  }
}

void MainWindowTest::directCurrentSingleTrackEnablesItsFields() {
  UiZone z;
  z.ChooseDc();
  QCOMPARE(int(z.St().SchemeVariant), 2);
  // Code 12: length, substation A and B, active current, km and speed.
  for (const char* on : {"editZone", "editUaRe", "editUbRe", "editActive", "editKm", "editSpeed"}) {
    QVERIFY2(z.Edit(on)->isEnabled(), on);
    QVERIFY2(z.Edit(on)->text() != QString::fromUtf8("н/и"), on);
  }
  for (const char* off : {"editUaIm", "editUbIm", "editReactive"}) {
    QVERIFY2(!z.Edit(off)->isEnabled(), off);
    QCOMPARE(z.Edit(off)->text(), QString::fromUtf8("н/и"));
  }
  // The saved state of code 12 is in the fields.
  QCOMPARE(z.Edit("editZone")->text(), QString("20"));
  QCOMPARE(z.Edit("editUaRe")->text(), QString("3300"));
  QCOMPARE(z.Find<QComboBox>("comboStep")->currentText(), QString("1"));
  QVERIFY(z.Find<QComboBox>("comboStep")->isEnabled());
  auto* box1 = z.Find<QCheckBox>("box1");
  QCOMPARE(box1->text(), QString::fromUtf8("консоль"));
  QVERIFY(!box1->isHidden());
  QVERIFY(z.Find<QCheckBox>("box2")->isHidden());
  QVERIFY(z.Find<QCheckBox>("box3")->isHidden());
  QCOMPARE(z.Find<QLabel>("labelCaption")->text(), QString::fromUtf8("М-120 + 2МФ-100 + А-185 + Р65"));
  QVERIFY(z.Action("actNetwork")->isEnabled());
  QVERIFY(!z.Action("actAc")->isEnabled());
  QVERIFY(z.Button("buttonAdd1")->isEnabled());
  QVERIFY(z.Button("buttonAdd2")->isHidden());

  const tps::SchemePicture& pic = z.w->PictureWidget()->Picture();
  QVERIFY(pic.Image("TransfA")->Visible && pic.Image("TransfB")->Visible);
  QVERIFY(pic.Image("DiodA")->Visible && pic.Image("DiodB")->Visible);
  QVERIFY(!pic.Image("Line1")->Visible);
  QCOMPARE(pic.Image("Line2")->Top, 99);  // the single track at row 100
  QVERIFY(pic.Text("CaptionA")->Visible);
  QCOMPARE(z.w->PictureGeometry().PixelsPerKm, 33.5);

  // The console box makes it variant 1 with the AC-resistance menu enabled.
  z.Tick(box1);
  QCOMPARE(int(z.St().SchemeVariant), 1);
  QVERIFY(!z.Edit("editUbRe")->isEnabled());
  QVERIFY(z.Action("actAc")->isEnabled());
  QVERIFY(!z.w->PictureWidget()->Picture().Image("TransfB")->Visible);
  QVERIFY(z.messages.empty());
}

void MainWindowTest::alternatingCurrentEnablesAllNine() {
  UiZone z;
  z.ChooseAc();
  QCOMPARE(int(z.St().SchemeVariant), 8);
  for (const char* on : {"editZone", "editUaRe", "editUaIm", "editUbRe", "editUbIm", "editActive",
                         "editReactive", "editKm", "editSpeed"})
    QVERIFY2(z.Edit(on)->isEnabled(), on);
  QCOMPARE(z.Edit("editUaRe")->text(), QString("27500"));
  QCOMPARE(z.Edit("editReactive")->text(), QString("-100"));
  QVERIFY(z.Action("actAc")->isEnabled());
  const tps::SchemePicture& pic = z.w->PictureWidget()->Picture();
  QVERIFY(pic.Image("TransfA")->Visible);
  QVERIFY(!pic.Image("DiodA")->Visible);  // no rectifiers on alternating current
  QVERIFY(z.messages.empty());
}

void MainWindowTest::sectioningPostAppearsOnDoubleTrack() {
  UiZone z;
  z.ChooseTab(1);
  z.ChooseDc();
  QCOMPARE(int(z.St().SchemeVariant), 3);
  auto* box1 = z.Find<QCheckBox>("box1");
  QCOMPARE(box1->text(), QString::fromUtf8("ПСК"));
  QCOMPARE(z.Find<QCheckBox>("box2")->text(), QString::fromUtf8("ПСК+2ППС"));
  QVERIFY(!z.Find<QCheckBox>("box3")->isHidden());
  QVERIFY(z.Edit("editPsk")->isHidden());
  QVERIFY(!z.Button("buttonAdd2")->isHidden());

  // Between the two track lines the picture is white where the post will stand.
  QImage before = z.w->PictureWidget()->grab().toImage();
  QCOMPARE(before.pixelColor(400, 100), QColor(Qt::white));

  z.Tick(box1);
  QCOMPARE(int(z.St().SchemeVariant), 4);
  QVERIFY(!z.Edit("editPsk")->isHidden());
  QCOMPARE(z.Edit("editPsk")->text(), QString("10"));
  QVERIFY(z.Find<QCheckBox>("box2")->isHidden());
  const tps::SchemePicture& pic = z.w->PictureWidget()->Picture();
  QVERIFY(pic.Image("Post0")->Visible);
  QCOMPARE(pic.Image("Post0")->Left, 395);  // km 10 of 20: column 400
  QCOMPARE(pic.Text("PostKm0")->Text, std::string("10 км"));
  QVERIFY(!pic.Image("Post1")->Visible);
  QImage after = z.w->PictureWidget()->grab().toImage();
  QVERIFY(after.pixelColor(400, 100) != QColor(Qt::white));  // the marker's bitmap

  // A new place moves the post when the field is left.
  z.Type(z.Edit("editPsk"), "5");
  QCOMPARE(z.w->PictureWidget()->Picture().Image("Post0")->Left, 232 - 5);
  QCOMPARE(z.w->PictureWidget()->Picture().Text("PostKm0")->Text, std::string("5 км"));
  QCOMPARE(z.St().Params.PskKm.Get(), std::string("5"));

  // A place that is not a number takes the post off the picture until a number comes.
  z.Type(z.Edit("editPsk"), "abc");
  QVERIFY(!z.w->PictureWidget()->Picture().Image("Post0")->Visible);
  QVERIFY(!z.w->PictureWidget()->Picture().Text("PostKm0")->Visible);
  QCOMPARE(z.w->PictureWidget()->grab().toImage().pixelColor(232, 100), QColor(Qt::white));
  z.Type(z.Edit("editPsk"), "5");
  QVERIFY(z.w->PictureWidget()->Picture().Image("Post0")->Visible);
  QCOMPARE(z.w->PictureWidget()->Picture().Image("Post0")->Left, 232 - 5);

  // Unchecking goes back to code 14 and hides the post again.
  z.Tick(box1);
  QVERIFY(z.Edit("editPsk")->isHidden());
  QVERIFY(!z.w->PictureWidget()->Picture().Image("Post0")->Visible);
}

void MainWindowTest::trainsOnBothTracksAreListedAndDrawn() {
  UiZone z;
  z.ChooseTab(1);
  z.ChooseDc();
  z.Click(z.Button("buttonAdd1"));
  QCOMPARE(z.Lines("listTrack1"), QStringList{"[ 1 ]  [ 1500 ]  [ 0 ]  [ 60 ]  [ F ]"});
  QVERIFY(!z.Edit("editZone")->isEnabled());
  z.Type(z.Edit("editKm"), "20");
  z.Click(z.Button("buttonAdd2"));
  QCOMPARE(z.Lines("listTrack2"), QStringList{"[ 2 ]  [ 1500 ]  [ 20 ]  [ 60 ]  [ F ]"});
  QVERIFY(z.messages.empty());

  const tps::SchemePicture& pic = z.w->PictureWidget()->Picture();
  QCOMPARE(pic.Image("Train1")->Top, 57);   // track 1 of a double track: row 60
  QCOMPARE(pic.Image("Train1")->Left, 55);  // km 0: column 65
  QCOMPARE(pic.Image("Train2")->Top, 137);  // track 2: row 140
  QCOMPARE(pic.Image("Train2")->Left, 725);
  QCOMPARE(pic.Text("TrainCurrent2")->Text, std::string("1500 A"));
  QCOMPARE(pic.Text("TrainKm2")->Text, std::string("20 км"));

  // Writing off train 1 keeps the zone length locked while train 2 runs.
  auto* list1 = z.Find<QListWidget>("listTrack1");
  list1->setCurrentRow(0);
  z.Click(z.Button("buttonRemove1"));
  QVERIFY(z.Lines("listTrack1").isEmpty());
  QCOMPARE(z.Lines("listTrack2").size(), 1);
  QVERIFY(!z.Edit("editZone")->isEnabled());
  QVERIFY(z.w->PictureWidget()->Picture().Image("Train1") == nullptr);
  // Without a selection nothing is written off.
  z.Click(z.Button("buttonRemove2"));
  QCOMPARE(z.Lines("listTrack2").size(), 1);

  z.Click(z.Button("buttonClearAll"));
  QVERIFY(z.Lines("listTrack2").isEmpty());
  QVERIFY(z.Edit("editZone")->isEnabled());
  // The numbers are free again.
  z.Click(z.Button("buttonAdd1"));
  QVERIFY(z.Lines("listTrack1").at(0).startsWith("[ 1 ]"));

  // Changing the scheme removes every train.
  z.ChooseAc();
  QVERIFY(z.Lines("listTrack1").isEmpty());
  QVERIFY(z.St().Trains.Empty());
}

void MainWindowTest::feedersOffLeaveTrackTwoWithoutTrains() {
  UiZone z;
  z.ChooseTab(1);
  z.ChooseDc();
  z.Tick(z.Find<QCheckBox>("box3"));
  QCOMPARE(int(z.St().SchemeVariant), 6);
  QVERIFY(!z.Button("buttonAdd2")->isHidden());
  QVERIFY(!z.Button("buttonAdd2")->isEnabled());
  QVERIFY(z.Button("buttonAdd1")->isEnabled());
  QCOMPARE(z.w->PictureWidget()->Picture().Image("Conn1")->Strokes, tps::ConnectionStrokes(19, 1));
}

void MainWindowTest::schemeWithoutSavedStateStartsNotGiven() {
  UiZone z;
  std::filesystem::remove(z.File("SAVES\\state_22.smt"));
  z.ChooseAc();
  for (const char* f : {"editZone", "editUaRe", "editUaIm", "editUbRe", "editUbIm", "editActive",
                        "editReactive", "editKm", "editSpeed"})
    QCOMPARE(z.Edit(f)->text(), QString::fromUtf8("н/и"));
  // The new scheme's input is checked at once, and the zone length is asked for.
  QCOMPARE(z.messages.size(), size_t{1});
  QCOMPARE(z.messages[0].kind, tps::MsgKind::Warning);
  QCOMPARE(z.messages[0].text, std::string("Значение длины зоны: 'н/и' - введено неверно"));
  QVERIFY(z.Edit("editZone")->isEnabled());
}

void MainWindowTest::voltageSwitchesRestoreTheSavedVoltages() {
  UiZone z;
  z.ChooseDc();
  z.Type(z.Edit("editUaRe"), "3000");
  z.Tick(z.Find<QCheckBox>("checkU"));
  QVERIFY(z.St().Voltages.RandU);
  QCOMPARE(z.Edit("editUaRe")->text(), QString("3300"));
  z.Type(z.Edit("editUaRe"), "3100");
  z.Tick(z.Find<QCheckBox>("checkD"));
  QVERIFY(z.St().Voltages.RandD);
  QCOMPARE(z.Edit("editUaRe")->text(), QString("3300"));
  z.Tick(z.Find<QCheckBox>("checkU"));
  QVERIFY(!z.St().Voltages.RandU);

  // A current-kind button taking the focus clears the run totals.
  z.St().EnergyLoss = 12.5;
  z.St().MinVoltageStep = 7;
  z.Find<QRadioButton>("radioAc")->setFocus();
  QCOMPARE(z.St().EnergyLoss, 0.0);
  QCOMPARE(z.St().MinVoltageStep, 0);
}

void MainWindowTest::menusAndTheHiddenSwitch() {
  UiZone z;
  QStringList shown;
  for (QAction* a : z.w->menuBar()->actions())
    if (a->isVisible()) shown << QString(a->text()).remove('&');
  QCOMPARE(shown, (QStringList{QString::fromUtf8("Файл"), QString::fromUtf8("Режим"), QString::fromUtf8("Пуск"),
                               QString::fromUtf8("Опции"), QString::fromUtf8("Задачи"),
                               QString::fromUtf8("Справочники"), QString::fromUtf8("Справка")}));
  QVERIFY(z.Action("actTestMode")->isChecked());
  QVERIFY(z.Action("actFastCalc")->isChecked());
  QVERIFY(z.Action("actCharts")->isChecked());
  QVERIFY(!z.Action("actVaryCurrents")->isChecked());

  z.Action("actWriteMatrices")->trigger();
  QVERIFY(z.St().Options.WriteMatrices);
  z.Action("actFastCalc")->trigger();
  QVERIFY(!z.St().Options.FastCalc);
  z.Action("actVaryCurrents")->trigger();
  QVERIFY(z.St().VaryTrainCurrents);
  z.Action("actCharts")->trigger();
  QVERIFY(!z.St().Options.BuildCharts);
  for (int k = 0; k < 8; ++k)
    QVERIFY(z.w->findChild<QAction*>(QString("actCatalogue%1").arg(k)) != nullptr);
}

void MainWindowTest::captionLabelOpensTheNetworkWindowOnlyWithAScheme() {
  UiZone z;
  auto* caption = z.Find<QLabel>("labelCaption");
  QCOMPARE(caption->text(), QString::fromUtf8("Схема не задана"));
  QTest::mouseClick(caption, Qt::LeftButton);
  QVERIFY(!z.w->Network()->isVisible());
  z.ChooseDc();
  QTest::mouseClick(caption, Qt::LeftButton);
  QVERIFY(z.w->Network()->isVisible());
  QVERIFY(z.w->Network()->isModal());
  z.w->Network()->close();
}

namespace {

// The text a line edit shows at most, inside its frame and inner margins.
int TextRoom(QLineEdit* e) {
  QStyleOptionFrame opt;
  opt.initFrom(e);
  opt.lineWidth = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e);
  return e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e).width() - 2 * 2;
}

}  // namespace

void MainWindowTest::everyControlStandsWholeAndApart() {
  UiZone z;
  z.ChooseTab(1);
  z.ChooseDc();
  QWidget* central = z.w->centralWidget();
  const QStringList areas = {"central",    "tabPanel",   "voltagePanel", "trainPanel",
                             "batchPanel", "schedulePanel", "probPanel"};
  // The panels of the test mode, the schedule panel and the probabilistic
  // panel take turns in one place.
  const auto turns = [](const QWidget* a, const QWidget* b) {
    const QStringList test = {"trainPanel", "batchPanel"};
    const QStringList other = {"schedulePanel", "probPanel"};
    const QString x = a->objectName(), y = b->objectName();
    return (test.contains(x) && other.contains(y)) || (test.contains(y) && other.contains(x)) ||
           (other.contains(x) && other.contains(y));
  };
  for (const QString& area : areas) {
    QWidget* parent = area == "central" ? central : z.Find<QWidget>(qPrintable(area));
    auto* frame = qobject_cast<QFrame*>(parent);
    const QRect room = frame ? frame->contentsRect() : parent->rect();
    const QList<QWidget*> kids = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* c : kids) {
      QString what = area + "/" + c->objectName();
      if (auto* l = qobject_cast<QLabel*>(c)) what += " " + l->text();
      if (auto* b = qobject_cast<QAbstractButton*>(c)) what += " " + b->text();
      // Inside its area: nothing cut at an edge ("ТП Б", "Смотреть результаты").
      QVERIFY2(room.contains(c->geometry()), qPrintable(what));
      // A caption gets the room its text needs.
      if (qobject_cast<QLabel*>(c) || qobject_cast<QAbstractButton*>(c)) {
        QVERIFY2(c->width() >= c->sizeHint().width(), qPrintable(what));
        QVERIFY2(c->height() >= c->sizeHint().height(), qPrintable(what));
      }
      // No control lies over another ("реактивный" and its field).
      for (QWidget* o : kids)
        if (o != c && o->objectName() != "schemePicture" && c->objectName() != "schemePicture" &&
            !turns(c, o))
          QVERIFY2(!c->geometry().intersects(o->geometry()), qPrintable(what + " / " + o->objectName()));
    }
  }
  // A drawn substation voltage of 11 characters is shown whole.
  const QString drawn = "26273.52099";
  for (const char* f : {"editUaRe", "editUaIm", "editUbRe", "editUbIm"}) {
    QLineEdit* e = z.Edit(f);
    QVERIFY2(TextRoom(e) >= e->fontMetrics().horizontalAdvance(drawn), f);
  }
}

void MainWindowTest::currentKindChangeSwitchesTheRandomDrawOff() {
  UiZone z;
  z.ChooseAc();
  auto* u = z.Find<QCheckBox>("checkU");
  auto* d = z.Find<QCheckBox>("checkD");
  z.Tick(u);
  z.Tick(d);
  QVERIFY(z.St().Voltages.RandU && z.St().Voltages.RandD);
  // Direct current: the AC mean of the draw no longer feeds the substations.
  z.ChooseDc();
  QVERIFY(!u->isChecked() && !d->isChecked());
  QVERIFY(!z.St().Voltages.RandU && !z.St().Voltages.RandD);
  QCOMPARE(z.Edit("editUaRe")->text(), QString("3300"));
  QCOMPARE(z.Edit("editUbRe")->text(), QString("3300"));
  z.Type(z.Edit("editBatchTrains"), "1");
  z.Button("buttonBatch")->click();
  QCOMPARE(z.St().Params.UaRe.Get(), std::string("3300"));
  // Within one current kind the switches stay as the user left them.
  z.Tick(u);
  z.ChooseTab(1);
  z.ChooseDc();
  QVERIFY(u->isChecked());
}

void MainWindowTest::fiftyFirstTrainOfATrackIsRefusedAloud() {
  UiZone z;
  z.ChooseDc();
  for (int k = 0; k < 50; ++k) z.Button("buttonAdd1")->click();
  QCOMPARE(z.Lines("listTrack1").size(), 50);
  QVERIFY(z.messages.empty());
  z.Button("buttonAdd1")->click();
  QCOMPARE(z.Lines("listTrack1").size(), 50);
  QCOMPARE(z.messages.size(), size_t{1});
  QCOMPARE(z.messages[0].kind, tps::MsgKind::Warning);
  QCOMPARE(z.messages[0].text,
           std::string("Поезд не добавлен: на пути 1 уже 50 поездов, больше на одном пути не бывает"));
}

void MainWindowTest::longListLinesScrollSideways() {
  UiZone z;
  z.ChooseAc();
  z.Type(z.Edit("editActive"), "1234.5678901");
  z.Type(z.Edit("editReactive"), "-123.4567890");
  z.Type(z.Edit("editKm"), "12.3456");
  z.Click(z.Button("buttonAdd1"));
  const QString line = "[ 1 ]  [ 1234.56789 - j123.456789 ]  [ 12.3456 ]  [ 60 ]  [ F ]";
  QCOMPARE(z.Lines("listTrack1"), QStringList{line});
  // The whole line is there to scroll to, at once, not after the next event.
  auto* list = z.Find<QListWidget>("listTrack1");
  // (In a narrow font the line may fit the list whole.)
  if (list->fontMetrics().horizontalAdvance(line) > list->viewport()->width())
    QVERIFY(list->horizontalScrollBar()->maximum() > 0);
  QVERIFY(list->visualItemRect(list->item(0)).width() >= list->fontMetrics().horizontalAdvance(line));
}

void MainWindowTest::windowGrowsAndTheZoneWithIt() {
  UiZone z;
  z.ChooseTab(1);
  z.ChooseDc();
  z.Tick(z.Find<QCheckBox>("box2"));  // three posts
  z.Click(z.Button("buttonAdd1"));
  QWidget* central = z.w->centralWidget();
  const QSize smallest = z.w->size();
  QVERIFY(z.w->maximumWidth() > 1920 && z.w->maximumHeight() > 1080);
  auto* list1 = z.Find<QListWidget>("listTrack1");
  auto* list2 = z.Find<QListWidget>("listTrack2");
  auto* schedule = z.Find<QWidget>("schedulePanel");
  const QRect list1At = list1->geometry(), list2At = list2->geometry();
  const tps::SchemePicture before = z.w->PictureWidget()->Picture();

  z.w->resize(1600, 1000);
  QCoreApplication::processEvents();
  // The picture takes the width: the zone is drawn over it, km by km.
  QCOMPARE(z.w->PictureWidget()->width(), central->width());
  QCOMPARE(z.w->PictureWidget()->height(), 200);
  const tps::SchemePicture wide = z.w->PictureWidget()->Picture();
  QCOMPARE(wide.Width, central->width());
  QCOMPARE(wide.Image("Line1")->Width, central->width() - 130);
  QCOMPARE(wide.Image("TransfB")->Left, central->width() - 40);
  const double stretch = (central->width() - 130) / 670.0;
  auto centre = [](const tps::ImagePart* p) { return p->Left + p->Width / 2.0 - 65; };
  for (const char* part : {"Post0", "Post2", "Train1"})
    QVERIFY2(std::abs(centre(wide.Image(part)) - centre(before.Image(part)) * stretch) <= 2, part);
  QCOMPARE(wide.Image("Train1")->Width, before.Image("Train1")->Width);
  // The lists share the width and take the height.
  QVERIFY(list1->height() > list1At.height() + 300);
  QVERIFY(list1->width() > list1At.width() + 300);
  QCOMPARE(list1->width(), list2->width());
  QCOMPARE(list2->geometry().right(), list2At.right() + central->width() - 800);
  // In the schedule mode the schedule panel takes half the height.
  z.Find<QToolButton>("buttonModeSchedule")->click();
  QCoreApplication::processEvents();
  QVERIFY(schedule->height() > 116 + 150);
  QVERIFY(z.Find<QListWidget>("listSchedules")->height() > 200);
  QVERIFY(list1->height() > list1At.height() + 150);
  QVERIFY(list1->geometry().top() >= schedule->geometry().bottom());

  // Back at its smallest it is the window of old.
  z.w->resize(smallest);
  QCoreApplication::processEvents();
  QCOMPARE(list1->geometry(), list1At);
  QCOMPARE(list2->geometry(), list2At);
  QCOMPARE(z.w->PictureWidget()->width(), 800);
  QCOMPARE(z.w->PictureWidget()->Picture().Image("Train1")->Left, before.Image("Train1")->Left);
}

void MainWindowTest::keyboardReachesTheMenusAndTheFrequentCommands() {
  UiZone z;
  z.w->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(z.w.get()));
  // Every menu has a mnemonic letter of its own.
  QSet<QChar> letters;
  for (QAction* a : z.w->menuBar()->actions()) {
    if (!a->isVisible()) continue;
    const int amp = a->text().indexOf('&');
    QVERIFY2(amp >= 0, qPrintable(a->text()));
    QVERIFY2(!letters.contains(a->text()[amp + 1].toLower()), qPrintable(a->text()));
    letters.insert(a->text()[amp + 1].toLower());
  }
  // Alt+Ф opens "Файл"; F10 the menu bar.
  QTest::sendKeyEvent(QTest::Click, z.w.get(), static_cast<Qt::Key>(0x0424), QString(QChar(0x0424)),
                      Qt::AltModifier);
  QMenu* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  QVERIFY(open);
  QVERIFY(open->actions().contains(z.Action("actSave")));
  open->close();
  QTest::keyClick(z.w.get(), Qt::Key_F10);
  QVERIFY(z.w->menuBar()->activeAction() != nullptr);
  QCOMPARE(z.w->menuBar()->activeAction()->text(), QString::fromUtf8("&Файл"));
  QVERIFY(QApplication::activePopupWidget());
  while (QWidget* popup = QApplication::activePopupWidget()) QTest::keyClick(popup, Qt::Key_Escape);
  QTest::keyClick(z.w->menuBar(), Qt::Key_Escape);

  // The frequent commands with their shortcuts shown in the menus.
  const std::pair<const char*, QKeySequence> keys[] = {
      {"actStart", QKeySequence(Qt::Key_F9)},           {"actStep", QKeySequence(Qt::Key_F8)},
      {"actPause", QKeySequence(Qt::Key_F6)},           {"actResults", QKeySequence(Qt::CTRL | Qt::Key_R)},
      {"actChart1", QKeySequence(Qt::CTRL | Qt::Key_2)}, {"actSave", QKeySequence(Qt::CTRL | Qt::Key_S)},
      {"actExit", QKeySequence(Qt::CTRL | Qt::Key_Q)}};
  for (const auto& [name, key] : keys) QCOMPARE(z.Action(name)->shortcut(), key);
  // The commands follow their buttons: F9 starts a run of the test mode only
  // when its Start may.
  QVERIFY(!z.Action("actStart")->isEnabled());
  z.ChooseTab(1);
  z.ChooseDc();
  z.Click(z.Button("buttonAdd1"));
  QVERIFY(z.Action("actStart")->isEnabled());
  QVERIFY(!z.Action("actResults")->isEnabled());
  QApplication::setActiveWindow(z.w.get());  // back from the menus
  QTest::keyClick(z.w.get(), Qt::Key_F9);
  QCoreApplication::processEvents();
  QCOMPARE(z.Texts(), std::vector<std::string>{"Имитация окончена"});
  QVERIFY(z.Action("actResults")->isEnabled());
  QVERIFY(z.Action("actChart1")->isEnabled());
}

void MainWindowTest::typedCommaIsTheDecimalPoint() {
  UiZone z;
  z.ChooseDc();
  // "20,5" as a Russian keyboard types it is the zone of 20.5 km at once.
  z.Type(z.Edit("editZone"), "20,5");
  QCOMPARE(z.Edit("editZone")->text(), QString("20.5"));
  QCOMPARE(z.St().Params.ZoneLength.Get(), std::string("20.5"));
  z.Type(z.Edit("editActive"), "1,5");
  QCOMPARE(z.Edit("editActive")->text(), QString("1.5"));
  z.Click(z.Button("buttonAdd1"));
  QVERIFY(z.messages.empty());
  QCOMPARE(z.Lines("listTrack1").size(), 1);
}

void MainWindowTest::qtDialogsSpeakTheUsersLanguage() {
  QVERIFY(tps::ui::LoadQtTranslations(QLocale(QLocale::Russian, QLocale::Russia)));
  QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
  QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("Отмена"));
  QCOMPARE(box.button(QDialogButtonBox::Save)->text(), QString::fromUtf8("Сохранить"));
  QVERIFY(QCoreApplication::translate("QFileDialog", "Look in:") != QString("Look in:"));
  // A language Qt has no translation for leaves its texts as they are.
  QVERIFY(!tps::ui::LoadQtTranslations(QLocale(QLocale::Zulu, QLocale::SouthAfrica)));
}

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
