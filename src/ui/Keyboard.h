// The keyboard in the windows: number fields that take a typed comma as the
// decimal point, and a tab order that follows the reading order of a window.
#pragma once

#include <QStyledItemDelegate>
#include <initializer_list>

class QLineEdit;
class QWidget;

namespace tps::ui {

// A number field: a comma typed (or pasted) becomes the decimal point at
// once, so "1,5" typed on a Russian keyboard reads 1.5; the program's files
// and the command line keep reading "." alone.
void AcceptDecimalComma(QLineEdit* e);
void AcceptDecimalComma(std::initializer_list<QLineEdit*> fields);

// The cells of a table of numbers, edited the same way.
class DecimalCommaDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
};

// Tab goes through the controls of `window` as one reads them: row by row
// from the top, and within a row from the left; a column of controls (a
// panel, a list with its button) is gone through whole before the next one
// to its right. Hidden controls keep their places until they are shown and
// the order is set again.
void SetReadingTabOrder(QWidget* window);
// The same, set again every time the window is shown.
void KeepReadingTabOrder(QWidget* window);

}  // namespace tps::ui
