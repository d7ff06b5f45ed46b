#include "ui/ProbPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "traffic/randomflow.h"
#include "ui/Keyboard.h"

namespace tps::ui {

namespace {

QString U(const std::string& s) {
  return QString::fromStdString(s);
}

QLabel* Label(QWidget* parent, const char* text, int x, int y) {
  auto* l = new QLabel(QString::fromUtf8(text), parent);
  l->move(x, y);
  l->adjustSize();
  return l;
}

}  // namespace

ProbPanel::ProbPanel(QWidget* parent, int width, int height)
    : QGroupBox(QString::fromUtf8("Вероятностный расчет"), parent) {
  setObjectName("probPanel");
  resize(width, height);
  // J with the waiting box beside it, T and Nmax under it, the two buttons
  // in the bottom row.
  QLabel* j = Label(this, "Мин интервал (J)", 6, 20);
  QLabel* t = Label(this, "Расчётный период (T)", 6, 44);
  QLabel* n = Label(this, "Макс кол-во поездов (Nmax)", 6, 68);
  editJ_ = new QLineEdit(QStringLiteral("8"), this);
  editJ_->setObjectName("editJ");
  AcceptDecimalComma(editJ_);
  editJ_->setGeometry(j->x() + j->width() + 4, 17, 30, 20);
  checkWait_ = new QCheckBox(QString::fromUtf8("Ждать ухода поездов"), this);
  checkWait_->setObjectName("checkWait");
  checkWait_->setGeometry(editJ_->x() + editJ_->width() + 6, 17, checkWait_->sizeHint().width(), 20);
  const int x = std::max(t->x() + t->width(), n->x() + n->width()) + 6;
  comboPeriod_ = new QComboBox(this);
  comboPeriod_->setObjectName("comboPeriod");
  for (const std::string& p : PeriodTexts()) comboPeriod_->addItem(U(p));
  comboPeriod_->setGeometry(x, 41, comboPeriod_->sizeHint().width(), 20);
  editNmax_ = new QLineEdit(QStringLiteral("7"), this);
  editNmax_->setObjectName("editNmax");
  editNmax_->setReadOnly(true);
  editNmax_->setGeometry(x, 65, 60, 20);
  buttonParams_ = new QPushButton(QString::fromUtf8("Параметры"), this);
  buttonParams_->setObjectName("buttonParams");
  buttonParams_->setGeometry(6, 89, std::max(80, buttonParams_->sizeHint().width()), 24);
  buttonRecord_ = new QPushButton(QString::fromUtf8("Запись вероятностного ГДП"), this);
  buttonRecord_->setObjectName("buttonRecord");
  buttonRecord_->setGeometry(buttonParams_->x() + buttonParams_->width() + 6, 89,
                             buttonRecord_->sizeHint().width(), 24);

  connect(editJ_, &QLineEdit::textEdited, this, [this] {
    if (onIntervalEdited) onIntervalEdited();
  });
  connect(comboPeriod_, &QComboBox::currentIndexChanged, this, [this] {
    if (onPeriodChosen) onPeriodChosen();
  });
  connect(buttonParams_, &QPushButton::clicked, this, [this] {
    if (onParamsClicked) onParamsClicked();
  });
  connect(buttonRecord_, &QPushButton::clicked, this, [this] {
    if (onRecordClicked) onRecordClicked();
  });
}

std::string ProbPanel::Interval() const {
  return editJ_->text().toStdString();
}
std::string ProbPanel::Period() const {
  return comboPeriod_->currentText().toStdString();
}
bool ProbPanel::Wait() const {
  return checkWait_->isChecked();
}

void ProbPanel::ShowInterval(const std::string& text) {
  if (editJ_->text() != U(text)) editJ_->setText(U(text));
}

void ProbPanel::ShowNmax(const std::string& text) {
  editNmax_->setText(U(text));
}

}  // namespace tps::ui
