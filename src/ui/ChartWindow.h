// The chart window (TgrDrawer): one chart of the last run, painted from the
// engine's geometry on a fresh image at every opening, with a horizontal
// scroll bar for a wide chart; the right mouse button saves it as PNG or SVG
// and its series as CSV. And the two option dialogs: "Графические опции"
// (the feeder currents drawn) and "Нормы напряжений".
#pragma once

#include <QDialog>
#include <QImage>
#include <filesystem>
#include <string>

#include "charts/chart.h"
#include "params/state.h"

class QCheckBox;
class QRadioButton;
class QScrollBar;

namespace tps::ui {

class ChartView;

class ChartWindow : public QDialog {
  Q_OBJECT
 public:
  ChartWindow(AppState& st, QWidget* parent);

  // Draws `kind` on a fresh image (the schedule `scheduleName` of the list for
  // the schedule charts, "file00.gdp" when empty) and sizes the window; the
  // failures of the engine propagate. Open also shows it modally.
  void Prepare(int kind, const std::string& scheduleName);
  void Open(int kind, const std::string& scheduleName);

  const ChartGeometry& Geometry() const { return geometry_; }
  const QImage& Image() const { return image_; }
  QScrollBar* ScrollBar() const { return scroll_; }

  void SavePng(const std::filesystem::path& file) const;
  void SaveSvg(const std::filesystem::path& file) const;
  void SaveCsv(const std::filesystem::path& file) const;

 protected:
  void wheelEvent(QWheelEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void done(int r) override;

 private:
  // The view and the scroll bar for the window's size.
  void Place();
  // Asks for a file and saves; a failure is shown in the error box.
  void SaveAs(const char* filter, const char* suffix,
              void (ChartWindow::*save)(const std::filesystem::path&) const);

  AppState& st_;
  ChartGeometry geometry_;
  QImage image_;
  ChartView* view_ = nullptr;
  QScrollBar* scroll_ = nullptr;
};

// "Графические опции": the feeder boxes in their legend colours and "Все".
class ChartOptionsDialog : public QDialog {
  Q_OBJECT
 public:
  ChartOptionsDialog(AppState& st, QWidget* parent);
  QCheckBox* All() const { return all_; }
  QCheckBox* Feeder(int k) const { return feeders_[k]; }

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void Show();
  AppState& st_;
  QCheckBox* all_ = nullptr;
  QCheckBox* feeders_[4] = {};
};

// "Нормы напряжений": the pantograph voltage norms, read-only, and the choice
// "Некритично" / "Критично".
class NormsDialog : public QDialog {
  Q_OBJECT
 public:
  NormsDialog(AppState& st, QWidget* parent);

 private:
  AppState& st_;
  QRadioButton* critical_ = nullptr;
};

}  // namespace tps::ui
