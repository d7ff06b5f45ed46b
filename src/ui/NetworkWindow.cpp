#include "ui/NetworkWindow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "params/conv.h"
#include "params/persist.h"
#include "ui/Keyboard.h"
#include "ui/MainWindow.h"
#include "validation/physical.h"

namespace tps::ui {

namespace {

constexpr ConductorKind kKinds[4] = {ConductorKind::Messenger, ConductorKind::ContactWire,
                                     ConductorKind::Feeder, ConductorKind::Rail};

const std::vector<TConductorEntry>& TableOf(const ConductorTables& t, int row) {
  switch (row) {
    case 0: return t.MessengerTable;
    case 1: return t.ContactWireTable;
    case 2: return t.FeederTable;
    default: return t.RailTable;
  }
}

double& ResistanceOf(TParamBlock& p, int row) {
  switch (row) {
    case 0: return p.MessengerR;
    case 1: return p.ContactWireR;
    case 2: return p.FeederR;
    default: return p.RailR;
  }
}

}  // namespace

NetworkWindow::NetworkWindow(MainWindow* main) : QDialog(main), main_(main) {
  setObjectName("networkWindow");
  KeepReadingTabOrder(this);
  setWindowTitle(QString::fromUtf8("Параметры тяговой сети"));
  auto* grid = new QGridLayout(this);
  const char* captions[4] = {"Несущий трос", "Контактный провод", "Усиливающий провод", "Рельс"};
  for (int row = 0; row < 4; ++row) {
    grid->addWidget(new QLabel(QString::fromUtf8(captions[row]), this), row, 0);
    edits_[row] = new QLineEdit(this);
    edits_[row]->setObjectName(QString("networkR%1").arg(row));
    edits_[row]->setReadOnly(true);
    edits_[row]->setFixedWidth(110);
    grid->addWidget(edits_[row], row, 1);
    lists_[row] = new QComboBox(this);
    lists_[row]->setObjectName(QString("networkList%1").arg(row));
    lists_[row]->setPlaceholderText(QString::fromUtf8("Справочник"));
    lists_[row]->setMinimumWidth(160);
    grid->addWidget(lists_[row], row, 2);
    connect(lists_[row], &QComboBox::activated, this, [this, row](int i) { Choose(row, i); });
  }
  ok_ = new QPushButton("OK", this);
  ok_->setObjectName("networkOk");
  grid->addWidget(ok_, 4, 2, Qt::AlignRight);
  connect(ok_, &QPushButton::clicked, this, [this] { OkClicked(); });
}

void NetworkWindow::FillLists() {
  const ConductorTables& t = main_->State().Catalogue;
  for (int row = 0; row < 4; ++row) {
    lists_[row]->clear();
    for (const TConductorEntry& e : TableOf(t, row))
      lists_[row]->addItem(QString::fromStdString(e.Name.Get()));
    lists_[row]->setCurrentIndex(-1);
  }
}

void NetworkWindow::ShowParams(const TParamBlock& p) {
  edits_[0]->setText(QString::fromStdString(FloatToStr(p.MessengerR)));
  edits_[1]->setText(QString::fromStdString(FloatToStr(p.ContactWireR)));
  edits_[2]->setText(p.FeederR == 0 ? QString::fromUtf8(kNoFeeder)
                                    : QString::fromStdString(FloatToStr(p.FeederR)));
  edits_[3]->setText(QString::fromStdString(FloatToStr(p.RailR)));
}

void NetworkWindow::FormToParams(TParamBlock& p) const {
  for (int row = 0; row < 4; ++row) {
    double& r = ResistanceOf(p, row);
    const std::string text = edits_[row]->text().toStdString();
    // The field shows the value in the general form, which may drop the last
    // bits: only a value that differs from what is shown replaces it. The
    // feeder's "Отсутствует" is no number and leaves it to the feeder rule.
    double v = 0;
    if (text != FloatToStr(r) && TryStrToFloat(text, v)) r = v;
  }
}

void NetworkWindow::Choose(int row, int index) {
  if (index < 0) return;
  main_->Guard([&] {
    const std::string shown = ChooseConductor(main_->State(), kKinds[row], index);
    // A refused entry leaves the conductor in use as it was.
    if (shown.empty()) {
      lists_[row]->setCurrentIndex(-1);
      return;
    }
    edits_[row]->setText(QString::fromStdString(shown));
  });
}

void NetworkWindow::OkClicked() {
  // The resistances in use must give the catenary's resistance; a refusal
  // saves nothing and keeps the window open for another choice.
  TParamBlock p = main_->State().Params;
  FormToParams(p);
  ApplyFormRules(p);
  if (CheckNetworkInput(main_->State(), p) != 0) return;
  // The window stays open when the state cannot be written, so nothing chosen is lost.
  if (!main_->Guard([&] { main_->SaveSchemeState(); })) return;
  accept();
  main_->ShowCaption();
}

}  // namespace tps::ui
