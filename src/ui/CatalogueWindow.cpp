#include "ui/CatalogueWindow.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include "ui/Keyboard.h"
#include "ui/MainWindow.h"

namespace tps::ui {

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }
}  // namespace

CatalogueWindow::CatalogueWindow(MainWindow* main) : QDialog(main), main_(main) {
  setObjectName("catalogueWindow");
  KeepReadingTabOrder(this);
  auto* grid = new QGridLayout(this);
  const char* headings[3] = {"Маркировка", "Сопротивление, Ом/км", "Радиус, см"};
  for (int c = 0; c < 3; ++c) {
    headings_[c] = new QLabel(U(headings[c]), this);
    lists_[c] = new QListWidget(this);
    lists_[c]->setObjectName(QString("catalogueList%1").arg(c));
    edits_[c] = new QLineEdit(this);
    edits_[c]->setObjectName(QString("catalogueEdit%1").arg(c));
    grid->addWidget(headings_[c], 0, c);
    grid->addWidget(lists_[c], 1, c);
    grid->addWidget(edits_[c], 2, c);
    connect(lists_[c], &QListWidget::currentRowChanged, this, [this](int row) { SelectRow(row, true); });
    connect(lists_[c], &QListWidget::itemPressed, this, [this, c] { edits_[c]->setFocus(); });
    connect(edits_[c], &QLineEdit::textEdited, this, [this, c](const QString& t) { EditChanged(c, t); });
  }
  AcceptDecimalComma({edits_[1], edits_[2]});
  auto* buttons = new QHBoxLayout;
  const char* names[5] = {"catalogueCreate", "catalogueSave", "catalogueLoad", "catalogueDelete",
                          "catalogueClose"};
  const char* captions[5] = {"Создать", "Сохранить", "Загрузить", "Удалить", "Закрыть"};
  QPushButton* b[5];
  for (int k = 0; k < 5; ++k) {
    b[k] = new QPushButton(U(captions[k]), this);
    b[k]->setObjectName(names[k]);
    b[k]->setAutoDefault(false);
    buttons->addWidget(b[k]);
  }
  grid->addLayout(buttons, 3, 0, 1, 3);
  connect(b[0], &QPushButton::clicked, this, [this] { Create(); });
  connect(b[1], &QPushButton::clicked, this, [this] { Save(); });
  connect(b[2], &QPushButton::clicked, this, [this] { Load(); });
  connect(b[3], &QPushButton::clicked, this, [this] { Delete(); });
  connect(b[4], &QPushButton::clicked, this, [this] { reject(); });
  // However the window is closed, the traction-network lists see the edited tables.
  connect(this, &QDialog::finished, this, [this] { main_->Guard([&] { main_->ReloadConductorTables(); }); });
  resize(520, 320);
}

void CatalogueWindow::Open(int index) {
  index_ = index;
  Activate();
  setModal(true);
  show();
  raise();
}

void CatalogueWindow::Activate() {
  // Direct-current tables (4..7) keep their radii but do not show them.
  const bool radius = index_ < 4;
  headings_[2]->setVisible(radius);
  lists_[2]->setVisible(radius);
  edits_[2]->setVisible(radius);
  setWindowTitle(QString::fromStdString(TableCaption(index_)));
  Load();
}

void CatalogueWindow::Load() {
  for (int c = 0; c < 3; ++c) {
    QSignalBlocker block(lists_[c]);
    lists_[c]->clear();
    edits_[c]->clear();
  }
  std::vector<CatalogueRow> rows;
  main_->Guard([&] { rows = ReadTableFile(main_->State(), index_); });
  saved_ = rows;
  {
    QSignalBlocker b0(lists_[0]), b1(lists_[1]), b2(lists_[2]);
    for (const CatalogueRow& r : rows) {
      lists_[0]->addItem(QString::fromStdString(r.Name));
      lists_[1]->addItem(QString::fromStdString(r.R));
      lists_[2]->addItem(QString::fromStdString(r.Radius));
    }
  }
  if (!rows.empty()) SelectRow(0, true);
}

std::vector<CatalogueRow> CatalogueWindow::Rows() const {
  std::vector<CatalogueRow> rows;
  for (int k = 0; k < lists_[0]->count(); ++k)
    rows.push_back({lists_[0]->item(k)->text().toStdString(), lists_[1]->item(k)->text().toStdString(),
                    lists_[2]->item(k)->text().toStdString()});
  return rows;
}

void CatalogueWindow::SelectRow(int row, bool copy) {
  if (row < 0 || row >= lists_[0]->count()) return;
  for (int c = 0; c < 3; ++c) {
    QSignalBlocker block(lists_[c]);
    lists_[c]->setCurrentRow(row);
  }
  if (copy)
    for (int c = 0; c < 3; ++c) edits_[c]->setText(lists_[c]->item(row)->text());
}

void CatalogueWindow::EditChanged(int column, const QString& text) {
  QListWidget* list = lists_[column];
  if (list->count() == 0) return;
  if (QListWidgetItem* item = list->currentItem()) item->setText(text);
}

void CatalogueWindow::Create() {
  const QString texts[3] = {QString(), "0", "0"};
  for (int c = 0; c < 3; ++c) {
    QSignalBlocker block(lists_[c]);
    lists_[c]->addItem(texts[c]);
  }
  SelectRow(lists_[0]->count() - 1, true);
  edits_[0]->setFocus();
}

void CatalogueWindow::Save() {
  if (lists_[0]->count() == 0) return;
  const std::vector<CatalogueRow> rows = Rows();
  if (main_->Guard([&] { WriteTableFile(main_->State(), index_, rows); })) saved_ = rows;
}

bool CatalogueWindow::Edited() const {
  return Rows() != saved_;
}

void CatalogueWindow::reject() {
  // "Закрыть", the window's frame and Esc all come here.
  if (isVisible() && Edited()) {
    const std::string text = "Изменения справочника \"" + TableCaption(index_) +
                             "\" не сохранены. Закрыть его без сохранения?";
    if (!main_->State().H().ShowMessage(MsgKind::Warning, text, MsgButtons::OkCancel)) return;
  }
  QDialog::reject();
}

void CatalogueWindow::Delete() {
  const int row = lists_[0]->currentRow();
  if (row < 0) return;
  for (int c = 0; c < 3; ++c) {
    QSignalBlocker block(lists_[c]);
    delete lists_[c]->takeItem(row);
  }
  if (lists_[0]->count() > 0) {
    SelectRow(0, true);
  } else {
    for (QLineEdit* e : edits_) e->clear();
  }
}

}  // namespace tps::ui
