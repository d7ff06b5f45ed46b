#include "ui/AcWindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "params/conv.h"
#include "ui/Keyboard.h"
#include "ui/MainWindow.h"
#include "validation/physical.h"

namespace tps::ui {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

// The geometry fields with their members of the parameter block.
struct GeometryField {
  const char* name;
  const char* caption;
  const char* unit;
  double TParamBlock::*member;
};
constexpr GeometryField kGeometry[8] = {
    {"acRailGauge", "Расстояние между рельсами", "м", &TParamBlock::RailGauge},
    {"acMastToTrackAxis", "От опоры до оси пути", "м", &TParamBlock::MastToTrackAxis},
    {"acWireSpacing", "Расстояние между проводами", "м", &TParamBlock::WireSpacing},
    {"acFeederToMast", "От УП до опоры", "м", &TParamBlock::FeederToMast},
    {"acFeederToScreenWire", "От УП до ЭТ", "м", &TParamBlock::FeederToScreenWire},
    {"acTrackSpacing", "Расстояние между путями", "м", &TParamBlock::TrackSpacing},
    {"acContactWireHeight", "Высота подвеса КП", "м", &TParamBlock::ContactWireHeight},
    {"acAirTemperature", "Температура воздуха", "град, C", &TParamBlock::AirTemperature},
};

struct RadiusField {
  const char* name;
  const char* caption;
  double TParamBlock::*member;
};
constexpr RadiusField kRadii[5] = {
    {"acContactWireRadius", "Радиус КП", &TParamBlock::ContactWireRadius},
    {"acMessengerRadius", "Радиус НТ", &TParamBlock::MessengerRadius},
    {"acFeederRadius", "Радиус УП", &TParamBlock::FeederRadius},
    {"acScreenWireRadius", "Радиус ЭТ", &TParamBlock::ScreenWireRadius},
    {"acRailRadius", "Радиус P", &TParamBlock::RailRadius},
};

QLineEdit* Row(QWidget* parent, QGridLayout* grid, int row, const char* name, const char* caption,
               const char* unit) {
  grid->addWidget(new QLabel(U(caption), parent), row, 0);
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setFixedWidth(100);
  grid->addWidget(e, row, 1);
  grid->addWidget(new QLabel(U(unit), parent), row, 2);
  return e;
}

}  // namespace

AcWindow::AcWindow(MainWindow* main) : QWidget(main, Qt::Window), main_(main) {
  setObjectName("acWindow");
  KeepReadingTabOrder(this);
  setWindowTitle(U("Параметры и конфигурация подвески переменного тока"));
  auto* grid = new QGridLayout(this);
  int row = 0;
  earth_ = Row(this, grid, row++, "acEarthConductivity", "Проводимость земли", "См/м");
  for (int k = 0; k < 5; ++k) {
    radii_[k] = Row(this, grid, row++, kRadii[k].name, kRadii[k].caption, "см");
    radii_[k]->setReadOnly(true);
  }
  auto* notice = new QLabel(U("Внимание! радиусы изменяются только из справочников"), this);
  notice->setObjectName("acNotice");
  notice->setWordWrap(true);
  grid->addWidget(notice, 1, 3, 5, 1);
  for (int k = 0; k < 8; ++k)
    geometry_[k] = Row(this, grid, row++, kGeometry[k].name, kGeometry[k].caption, kGeometry[k].unit);

  auto* save = new QPushButton(U("Cохранить"), this);  // the caption's first letter is Latin C
  save->setObjectName("acSave");
  auto* revert = new QPushButton(U("Вернуть"), this);
  revert->setObjectName("acRevert");
  auto* exit = new QPushButton(U("Выход"), this);
  exit->setObjectName("acExit");
  grid->addWidget(save, row, 0);
  grid->addWidget(revert, row, 1);
  grid->addWidget(exit, row, 3);
  AcceptDecimalComma(earth_);
  for (QLineEdit* e : geometry_) AcceptDecimalComma(e);
  connect(save, &QPushButton::clicked, this, [this] { AcFormToParams(); });
  connect(revert, &QPushButton::clicked, this, [this] { ParamsToAcForm(); });
  connect(exit, &QPushButton::clicked, this, &QWidget::close);
}

QLineEdit* AcWindow::Field(const char* name) const { return findChild<QLineEdit*>(name); }

void AcWindow::ParamsToAcForm() {
  const TParamBlock& p = main_->State().Params;
  auto show = [](QLineEdit* e, double v) { e->setText(QString::fromStdString(FloatToStr(v))); };
  show(earth_, p.EarthConductivity);
  for (int k = 0; k < 5; ++k) show(radii_[k], p.*kRadii[k].member);
  for (int k = 0; k < 8; ++k) show(geometry_[k], p.*kGeometry[k].member);
}

void AcWindow::AcFormToParams() {
  main_->Guard([&] {
    auto text = [](const QLineEdit* e) { return e->text().toStdString(); };
    AcFormInput in;
    in.EarthConductivity = text(earth_);
    std::string* geometry[8] = {&in.RailGauge,         &in.MastToTrackAxis,    &in.WireSpacing,
                                &in.FeederToMast,      &in.FeederToScreenWire, &in.TrackSpacing,
                                &in.ContactWireHeight, &in.AirTemperature};
    for (int k = 0; k < 8; ++k) *geometry[k] = text(geometry_[k]);
    // A refused value changes nothing and saves nothing; the warning names it.
    if (CheckAcFormInput(main_->State(), in) != 0) return;
    main_->SaveSchemeState();
  });
}

void AcWindow::closeEvent(QCloseEvent* e) {
  // However the window is closed, the main window comes back.
  main_->show();
  QWidget::closeEvent(e);
}

}  // namespace tps::ui
