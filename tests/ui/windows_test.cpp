// The secondary windows: the traction-network window's choice saved with a
// scheme's state and loaded back, the AC window's values in the state file,
// and the catalogue window's columns, refusal and saving.
#include <sys/stat.h>

#include <QLabel>
#include <filesystem>
#include <QTest>

#include "ui/AcWindow.h"
#include "ui/CatalogueWindow.h"
#include "ui/NetworkWindow.h"
#include "ui/SchemePictureWidget.h"
#include "ui_fixture.h"

using tpstest::F64At;
using tpstest::TextAt;
using tpstest::UiZone;

namespace {

// Moves a closed drop-down list to item i with the arrow keys, as a user
// choosing from it with the keyboard.
void ChooseItem(QComboBox* combo, int i) {
  combo->setFocus();
  for (int guard = 0; combo->currentIndex() != i && guard < 50; ++guard)
    QTest::keyClick(combo, combo->currentIndex() < i ? Qt::Key_Down : Qt::Key_Up);
}

void SetDouble(std::vector<uint8_t>& b, size_t off, double v) { std::memcpy(b.data() + off, &v, 8); }

}  // namespace

class WindowsTest : public QObject {
  Q_OBJECT
 private slots:
  void networkChoiceIsSavedWithTheSchemeAndLoadedBack();
  void acWindowStoresItsValuesInTheStateFile();
  void catalogueShowsRadiiOnlyForAlternatingCurrent();
  void catalogueRefusesAValueThatIsNoNumber();
  void conductorsWithoutARadiusAreRefusedForAlternatingCurrent();
  void aPictureThatIsNoRegularFileIsMissingNotAHang();
  void catalogueAsksBeforeItsEditsAreLost();
};

void WindowsTest::networkChoiceIsSavedWithTheSchemeAndLoadedBack() {
  UiZone z;
  z.ChooseDc();  // code 12
  z.Action("actNetwork")->trigger();
  tps::ui::NetworkWindow* net = z.w->Network();
  QVERIFY(net->isVisible());
  QCOMPARE(net->windowTitle(), QString::fromUtf8("Параметры тяговой сети"));
  QComboBox* contact = net->List(1);
  QCOMPARE(contact->currentIndex(), -1);
  QCOMPARE(contact->placeholderText(), QString::fromUtf8("Справочник"));
  QCOMPARE(contact->itemText(1), QString::fromUtf8("МФ-85"));  // the direct-current table
  // The shipped DC state: two contact wires 2МФ-100 and the feeder А-185.
  QCOMPARE(net->Resistance(1)->text(), QString("0.0895"));
  QCOMPARE(net->Resistance(2)->text(), QString("0.157"));
  ChooseItem(contact, 1);
  QCOMPARE(net->Resistance(1)->text(), QString("0.211"));
  z.Click(net->OkButton());
  QVERIFY(!net->isVisible());
  QCOMPARE(z.Find<QLabel>("labelCaption")->text(), QString::fromUtf8("М-120 + МФ-85 + А-185 + Р65"));

  const std::vector<uint8_t> state = tpstest::ReadBytes(z.File("SAVES\\state_12.smt"));
  QCOMPARE(state.size(), size_t{400});
  QCOMPARE(TextAt(state, 186), std::string("МФ-85"));
  QCOMPARE(F64At(state, 256), 0.211);
  QCOMPARE(TextAt(state, 0), std::string("20"));

  // Another scheme has its own state; coming back loads this one again.
  z.ChooseAc();
  QCOMPARE(z.Find<QLabel>("labelCaption")->text().contains(QString::fromUtf8("МФ-85")), false);
  z.ChooseDc();
  QCOMPARE(z.Find<QLabel>("labelCaption")->text(), QString::fromUtf8("М-120 + МФ-85 + А-185 + Р65"));
  QCOMPARE(z.St().Params.ContactWireR, 0.211);
  QCOMPARE(net->Resistance(1)->text(), QString("0.211"));
  QVERIFY(z.messages.empty());
}

void WindowsTest::acWindowStoresItsValuesInTheStateFile() {
  UiZone z;
  const std::filesystem::path file = z.File("SAVES\\state_22.smt");
  std::vector<uint8_t> expected = tpstest::ReadBytes(file);
  QCOMPARE(expected.size(), size_t{400});
  // A resistance whose shortest text has fewer digits than its bits must
  // come back from the window unchanged.
  SetDouble(expected, 256, 0.1 + 0.2);
  tpstest::WriteBytes(file, expected);
  z.ChooseAc();  // code 22

  z.Action("actAc")->trigger();
  tps::ui::AcWindow* ac = z.w->Ac();
  QVERIFY(ac->isVisible());
  QVERIFY(!z.w->isVisible());
  QCOMPARE(ac->windowTitle(), QString::fromUtf8("Параметры и конфигурация подвески переменного тока"));
  QCOMPARE(ac->Field("acEarthConductivity")->text(), QString("0.01"));
  QVERIFY(ac->Field("acRailRadius")->isReadOnly());
  QCOMPARE(ac->Field("acRailRadius")->text(), QString::fromStdString(tps::FloatToStr(F64At(expected, 328))));
  auto* save = ac->findChild<QPushButton*>("acSave");
  QCOMPARE(save->text(), QString::fromUtf8("Cохранить"));

  z.Type(ac->Field("acEarthConductivity"), "0.02");
  z.Type(ac->Field("acRailGauge"), "1.5");
  z.Type(ac->Field("acAirTemperature"), "30");
  z.Click(save);
  SetDouble(expected, 248, 0.02);
  SetDouble(expected, 336, 1.5);
  SetDouble(expected, 392, 30);
  QVERIFY(tpstest::ReadBytes(file) == expected);
  QCOMPARE(z.St().Params.RailGauge, 1.5);

  // A value that is no number, or that no earth or catenary has, is refused
  // with a warning naming it and changes nothing.
  z.Type(ac->Field("acEarthConductivity"), "0.03x");
  z.Type(ac->Field("acAirTemperature"), "25");
  z.Click(save);
  QCOMPARE(z.messages.size(), size_t{1});
  QCOMPARE(z.messages[0].kind, tps::MsgKind::Warning);
  QCOMPARE(z.messages[0].text, std::string("Значение проводимости земли: '0.03x' - введено неверно"));
  z.Type(ac->Field("acEarthConductivity"), "0");
  z.Click(save);
  z.Type(ac->Field("acEarthConductivity"), "0.03");
  z.Type(ac->Field("acWireSpacing"), "-1.3");
  z.Click(save);
  QCOMPARE(z.messages.size(), size_t{3});
  QCOMPARE(z.messages[1].text, std::string("Значение проводимости земли: '0' - должно быть больше 0"));
  QCOMPARE(z.messages[2].text,
           std::string("Значение расстояния между проводами: '-1.3' - должно быть больше 0"));
  QVERIFY(tpstest::ReadBytes(file) == expected);
  QCOMPARE(z.St().Params.AirTemperature, 30.0);
  QCOMPARE(z.St().Params.EarthConductivity, 0.02);

  // "Вернуть" shows the parameter block again; "Выход" brings the main window back.
  z.Click(ac->findChild<QPushButton*>("acRevert"));
  QCOMPARE(ac->Field("acEarthConductivity")->text(), QString("0.02"));
  QCOMPARE(ac->Field("acAirTemperature")->text(), QString("30"));
  z.Click(ac->findChild<QPushButton*>("acExit"));
  QVERIFY(!ac->isVisible());
  QVERIFY(z.w->isVisible());
}

void WindowsTest::catalogueShowsRadiiOnlyForAlternatingCurrent() {
  UiZone z;
  z.Action("actCatalogue4")->trigger();
  tps::ui::CatalogueWindow* cat = z.w->Catalogue();
  QVERIFY(cat->isVisible());
  QVERIFY(cat->isModal());
  QCOMPARE(cat->windowTitle(), QString::fromUtf8("Контактные провода на постоянном токе"));
  QCOMPARE(cat->Heading(0)->text(), QString::fromUtf8("Маркировка"));
  QCOMPARE(cat->Heading(1)->text(), QString::fromUtf8("Сопротивление, Ом/км"));
  QVERIFY(cat->List(2)->isHidden());
  QVERIFY(cat->Heading(2)->isHidden());
  QVERIFY(cat->Edit(2)->isHidden());
  QVERIFY(cat->List(0)->count() >= 5);
  QCOMPARE(cat->List(0)->currentRow(), 0);
  QCOMPARE(cat->Edit(0)->text(), QString::fromUtf8("МФ-100"));
  QCOMPARE(cat->Edit(1)->text(), QString("0.179"));
  // The radii of the direct-current table are kept though not shown.
  QCOMPARE(cat->List(2)->item(0)->text(), QString("0.564"));
  z.Click(cat->findChild<QPushButton*>("catalogueClose"));

  z.Action("actCatalogue3")->trigger();
  QCOMPARE(cat->windowTitle(), QString::fromUtf8("Рельсы на переменном токе"));
  QVERIFY(!cat->List(2)->isHidden());
  QCOMPARE(cat->Heading(2)->text(), QString::fromUtf8("Радиус, см"));

  // Choosing a row in one column selects it in the others.
  cat->List(1)->setCurrentRow(1);
  QCOMPARE(cat->List(0)->currentRow(), 1);
  QCOMPARE(cat->List(2)->currentRow(), 1);
  QCOMPARE(cat->Edit(0)->text(), cat->List(0)->item(1)->text());
  z.Click(cat->findChild<QPushButton*>("catalogueClose"));
  QVERIFY(z.messages.empty());
}

void WindowsTest::catalogueRefusesAValueThatIsNoNumber() {
  UiZone z;
  z.ChooseDc();  // the traction-network lists hold the direct-current tables
  const std::filesystem::path file = z.File("DATA\\KP_post.dmt");
  const std::vector<uint8_t> before = tpstest::ReadBytes(file);
  const uint32_t n = before[0] | before[1] << 8 | before[2] << 16 | uint32_t(before[3]) << 24;
  QCOMPARE(before.size(), size_t{4 + 48 * n});

  z.Action("actCatalogue4")->trigger();
  tps::ui::CatalogueWindow* cat = z.w->Catalogue();
  z.Click(cat->findChild<QPushButton*>("catalogueCreate"));
  QCOMPARE(cat->List(0)->count(), int(n + 1));
  QCOMPARE(cat->List(1)->currentItem()->text(), QString("0"));
  tpstest::TypeText(cat->Edit(0), QString::fromUtf8("Проба"));
  cat->Edit(1)->selectAll();
  tpstest::TypeText(cat->Edit(1), "0.5x");
  QCOMPARE(cat->List(1)->currentItem()->text(), QString("0.5x"));
  z.Click(cat->findChild<QPushButton*>("catalogueSave"));
  QCOMPARE(z.messages.size(), size_t{1});
  QCOMPARE(z.messages[0].kind, tps::MsgKind::Warning);
  QVERIFY(tpstest::ReadBytes(file) == before);

  QTest::keyClick(cat->Edit(1), Qt::Key_Backspace);
  z.Click(cat->findChild<QPushButton*>("catalogueSave"));
  QCOMPARE(z.messages.size(), size_t{1});
  const std::vector<uint8_t> after = tpstest::ReadBytes(file);
  QCOMPARE(after.size(), size_t{4 + 48 * (n + 1)});
  QCOMPARE(after[0], uint8_t(n + 1));
  QVERIFY(std::equal(before.begin() + 4, before.end(), after.begin() + 4));
  const size_t entry = 4 + 48 * n;
  QCOMPARE(TextAt(after, entry), std::string("Проба"));
  QCOMPARE(F64At(after, entry + 24), 0.5);
  QCOMPARE(F64At(after, entry + 40), 0.0);

  // Closing hands the edited table to the traction-network window.
  z.Click(cat->findChild<QPushButton*>("catalogueClose"));
  QVERIFY(!cat->isVisible());
  QComboBox* contact = z.w->Network()->List(1);
  QCOMPARE(contact->count(), int(n + 1));
  QCOMPARE(contact->itemText(int(n)), QString::fromUtf8("Проба"));
  QCOMPARE(contact->currentIndex(), -1);
}

void WindowsTest::conductorsWithoutARadiusAreRefusedForAlternatingCurrent() {
  UiZone z;
  // A row just created in an AC table has no radius: it cannot be saved.
  const std::filesystem::path file = z.File("DATA\\KP.dmt");
  const std::vector<uint8_t> before = tpstest::ReadBytes(file);
  z.Action("actCatalogue0")->trigger();
  tps::ui::CatalogueWindow* cat = z.w->Catalogue();
  z.Click(cat->findChild<QPushButton*>("catalogueCreate"));
  tpstest::TypeText(cat->Edit(0), QString::fromUtf8("Проба"));
  z.Click(cat->findChild<QPushButton*>("catalogueSave"));
  QCOMPARE(z.messages.size(), size_t{1});
  QCOMPARE(z.messages[0].kind, tps::MsgKind::Warning);
  QCOMPARE(z.messages[0].text, "Значение радиуса в строке " + std::to_string(cat->List(0)->count()) +
                                   ": '0' - должно быть больше 0. Справочник не сохранён");
  QVERIFY(tpstest::ReadBytes(file) == before);
  z.Click(cat->findChild<QPushButton*>("catalogueClose"));

  // Such a row in a file of an older program is not taken for an AC scheme.
  std::vector<tps::TConductorEntry> entries = tps::ReadTableEntries(z.St().Work, "DATA\\KP.dmt");
  tps::TConductorEntry bare = entries[0];
  bare.Name.Set("Проба");
  bare.Radius = 0;
  entries.push_back(bare);
  tps::WriteTableEntries(z.St().Work, "DATA\\KP.dmt", entries);
  z.ChooseAc();
  z.Action("actNetwork")->trigger();
  tps::ui::NetworkWindow* net = z.w->Network();
  const QString shown = net->Resistance(1)->text();
  const double radius = z.St().Params.ContactWireRadius;
  const int last = int(entries.size()) - 1;
  net->List(1)->setCurrentIndex(last);
  emit net->List(1)->activated(last);
  QCOMPARE(z.messages.size(), size_t{2});
  QCOMPARE(z.messages[1].text,
           std::string("Значение радиуса контактного провода: '0' - должно быть больше 0"));
  QCOMPARE(net->Resistance(1)->text(), shown);
  QCOMPARE(z.St().Params.ContactWireRadius, radius);
  QCOMPARE(net->List(1)->currentIndex(), -1);
  net->reject();
}

// A channel planted in place of a train picture must not hang the window: the
// picture is read through the file layer and counts as missing.
void WindowsTest::aPictureThatIsNoRegularFileIsMissingNotAHang() {
  tpstest::TempDir dir;
  std::filesystem::create_directories(dir.Path() / "Bitmap");
  QVERIFY(::mkfifo((dir.Path() / "Bitmap" / "TrainF.bmp").c_str(), 0600) == 0);
  tps::ui::SchemePictureWidget w;
  w.SetWorkDir(dir.Work());
  std::vector<std::string> missing;
  w.onBitmapMissing = [&](const std::string& name) { missing.push_back(name); };
  tps::SchemePicture pic;
  tps::ImagePart part;
  part.Name = "train";
  part.Visible = true;
  part.Width = 20;
  part.Height = 40;
  part.Bitmap = "Bitmap\\TrainF.bmp";
  pic.Images.push_back(part);
  w.SetPicture(pic);
  w.grab();
  QCOMPARE(missing.size(), size_t(1));
  QCOMPARE(QString::fromStdString(missing[0]), QString("Bitmap\\TrainF.bmp"));
}

void WindowsTest::catalogueAsksBeforeItsEditsAreLost() {
  UiZone z;
  const std::filesystem::path file = z.File("DATA\\KP_post.dmt");
  const std::vector<uint8_t> before = tpstest::ReadBytes(file);
  z.Action("actCatalogue4")->trigger();
  tps::ui::CatalogueWindow* cat = z.w->Catalogue();
  auto* close = cat->findChild<QPushButton*>("catalogueClose");
  // Nothing edited: it closes without a word.
  z.Click(close);
  QVERIFY(!cat->isVisible());
  QVERIFY(z.messages.empty());

  // A resistance typed with a comma, not saved: "Закрыть" asks; Cancel stays.
  z.Action("actCatalogue4")->trigger();
  cat->Edit(1)->selectAll();
  tpstest::TypeText(cat->Edit(1), "0,25");
  QCOMPARE(cat->List(1)->currentItem()->text(), QString("0.25"));
  z.answer = false;
  z.Click(close);
  QVERIFY(cat->isVisible());
  QCOMPARE(z.messages.size(), size_t{1});
  QCOMPARE(z.messages[0].buttons, tps::MsgButtons::OkCancel);
  QCOMPARE(z.messages[0].text, std::string("Изменения справочника \"Контактные провода на постоянном токе\" "
                                           "не сохранены. Закрыть его без сохранения?"));
  // Esc and the frame ask the same.
  QTest::keyClick(cat, Qt::Key_Escape);
  QVERIFY(cat->isVisible());
  QCOMPARE(z.messages.size(), size_t{2});
  // Saved, it closes without a question; the file holds the new value.
  z.Click(cat->findChild<QPushButton*>("catalogueSave"));
  z.Click(close);
  QVERIFY(!cat->isVisible());
  QCOMPARE(z.messages.size(), size_t{2});
  QCOMPARE(F64At(tpstest::ReadBytes(file), 4 + 24), 0.25);

  // OK closes without the edits: the file is as it was.
  tpstest::WriteBytes(file, before);
  z.Action("actCatalogue4")->trigger();
  z.Click(cat->findChild<QPushButton*>("catalogueCreate"));
  z.answer = true;
  z.Click(close);
  QVERIFY(!cat->isVisible());
  QCOMPARE(z.messages.size(), size_t{3});
  QVERIFY(tpstest::ReadBytes(file) == before);
}

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
