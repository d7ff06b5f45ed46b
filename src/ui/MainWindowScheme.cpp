// The scheme controls of the main window: track tab, current kind and scheme
// boxes, the fields each scheme code uses, the zone-length and post fields,
// the random-voltage switches and the step list.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabBar>

#include "params/catalogue.h"
#include "params/persist.h"
#include "ui/MainWindow.h"
#include "ui/NetworkWindow.h"
#include "validation/checks.h"

namespace tps::ui {

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }
}  // namespace

SchemeControls MainWindow::ReadSchemeControls() const {
  SchemeControls c;
  c.Tab = tabBar_->currentIndex() == 1 ? 1 : 0;
  c.CurrentKind = radioDc_->isChecked() ? 1 : radioAc_->isChecked() ? 2 : 0;
  c.Box1 = box1_->isChecked();
  c.Box2 = box2_->isChecked();
  c.Box3 = box3_->isChecked();
  return c;
}

void MainWindow::SchemeChanged(bool tabChanged, bool clearBoxes) {
  if (RunActive()) return;
  // The random draw's mean is a voltage of one current kind (25596.922 V is an
  // AC mean): a new kind starts with "U" and "d" off, and the substation
  // voltages come from its own saved state below.
  if (ReadSchemeControls().CurrentKind != state_.Scheme.CurrentKind) {
    for (QCheckBox* b : {checkU_, checkD_}) {
      QSignalBlocker block(b);
      b->setChecked(false);
    }
    state_.Voltages.RandU = state_.Voltages.RandD = false;
  }
  Guard([&] {
    // A new scheme starts on an empty zone at model time 0.
    RemoveAllTrains(state_);
    state_.ModelTime = 0;
    if (clearBoxes) {
      for (QCheckBox* b : {box1_, box2_, box3_}) {
        QSignalBlocker block(b);
        b->setChecked(false);
      }
    }
    state_.Scheme = ReadSchemeControls();
    UpdateSchemeVariant(state_);
  });
  const int variant = state_.SchemeVariant;
  const int code = SchemeCode(variant);
  ApplyFieldsForCode(code, true);
  // Each scheme code keeps its own conductor tables and saved state; a
  // missing catalogue is reported without keeping the state from loading.
  Guard([&] { ReloadConductorTables(); });
  Guard([&] { LoadState(state_, code); });
  Guard([&] {
    SetScale(picture_, state_.Params.ZoneLength.Get());
    if (tabChanged) ShowScheme(picture_, state_.Scheme.Tab == 0 ? 10 : 20, state_.Params);
    if (variant != 0) ShowScheme(picture_, code, state_.Params);
    state_.Controls.ZoneLengthEnabled = true;
    ShowCaption();
    if (variant != 0) {
      FormToParams();
      CheckMainInput(state_);
    }
  });
  ShowTrainLists();
  ShowClock();
  UpdateControls();
  UpdatePicture();
  CheckScheduleSilently();
}

void MainWindow::ApplyFieldsForCode(int code, bool reset) {
  fields_ = FieldsForCode(code);
  if (reset) {
    // The fields a scheme switch enables, disables or shows start as "not given".
    for (QLineEdit* e : {editZone_, editUaRe_, editUaIm_, editUbRe_, editUbIm_, editActive_,
                         editReactive_, editKm_, editSpeed_})
      e->setText(U(kNotGiven));
  }
  const bool posts[3] = {fields_.Psk, fields_.Pps1, fields_.Pps2};
  QLabel* labels[3] = {labelPsk_, labelPps1_, labelPps2_};
  QLineEdit* edits[3] = {editPsk_, editPps1_, editPps2_};
  for (int k = 0; k < 3; ++k) {
    labels[k]->setVisible(posts[k]);
    edits[k]->setVisible(posts[k]);
    if (reset && posts[k]) edits[k]->setText(U(kNotGiven));
  }
  if (reset && fields_.PskDefault) editPsk_->setText(U(fields_.PskDefault));

  if (code == 0) {
    // No current kind yet: the first two boxes wait disabled, the third hidden.
    box1_->setVisible(true);
    box2_->setVisible(true);
    box3_->setVisible(false);
  } else {
    box1_->setVisible(fields_.ShowBox1);
    box2_->setVisible(fields_.ShowBox2);
    box3_->setVisible(fields_.ShowBox3);
  }
  ShowBoxCaptions();
}

void MainWindow::ShowBoxCaptions() {
  const bool doubleTrack = tabBar_->currentIndex() == 1;
  const bool kindChosen = radioDc_->isChecked() || radioAc_->isChecked();
  box1_->setText(doubleTrack ? U("ПСК") : kindChosen ? U("консоль") : U("Консоль"));
  box2_->setText(radioAc_->isChecked() ? U("2П консоль") : U("ПСК+2ППС"));
  const bool track2 = doubleTrack;
  header2_->setVisible(track2);
  list2_->setVisible(track2);
  buttonAdd2_->setVisible(track2);
  buttonRemove2_->setVisible(track2);
}

void MainWindow::ZoneLengthExit() {
  if (RunActive() || !(radioDc_->isChecked() || radioAc_->isChecked())) return;
  Guard([&] {
    FormToParams();
    SetScale(picture_, state_.Params.ZoneLength.Get());
    ShowScheme(picture_, SchemeCode(state_.SchemeVariant), state_.Params);
  });
  UpdatePicture();
  CheckScheduleSilently();
}

void MainWindow::PostExit(int post) {
  if (RunActive()) return;
  Guard([&] {
    FormToParams();
    const TParamBlock& p = state_.Params;
    const std::string text = post == 0 ? p.PskKm.Get() : post == 1 ? p.Pps1Km.Get() : p.Pps2Km.Get();
    PlacePostFromText(picture_, post, text);
  });
  UpdatePicture();
}

void MainWindow::RandomSwitchClicked() {
  state_.Voltages.RandU = checkU_->isChecked();
  state_.Voltages.RandD = checkD_->isChecked();
  // Switching the random draw brings back the saved voltages of the scheme.
  Guard([&] { LoadState(state_, SchemeCode(state_.SchemeVariant)); });
  ShowCaption();
}

void MainWindow::SetStepText(const std::string& text) {
  const QString t = QString::fromStdString(text);
  int i = comboStep_->findText(t);
  if (i < 0) {
    // A saved step that is not one of the list's values is shown as it is.
    comboStep_->addItem(t);
    i = comboStep_->count() - 1;
  }
  comboStep_->setCurrentIndex(i);
}

void MainWindow::FillStepList() {
  const std::string current = comboStep_->currentText().toStdString();
  QSignalBlocker block(comboStep_);
  comboStep_->clear();
  for (const std::string& s : StepListTexts()) comboStep_->addItem(QString::fromStdString(s));
  if (!current.empty()) SetStepText(current);
}

void MainWindow::StepListChosen() {
  Guard([&] {
    state_.Params.StepMinutes.Set(comboStep_->currentText().toStdString());
    CheckReal(state_, state_.Params.StepMinutes.Get(), "шага", 0.06, 2, true, true);
  });
  CheckScheduleSilently();
}

}  // namespace tps::ui
