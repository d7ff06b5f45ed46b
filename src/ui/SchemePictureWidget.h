// The scheme picture panel: paints the engine's SchemePicture (parts, strokes,
// bitmaps of the working directory with white as the transparent colour, and
// labels centred on their columns).
#pragma once

#include <QPixmap>
#include <QWidget>
#include <functional>
#include <map>
#include <string>

#include "driver/draw.h"
#include "params/fileio.h"

namespace tps::ui {

class SchemePictureWidget : public QWidget {
  Q_OBJECT
 public:
  explicit SchemePictureWidget(QWidget* parent = nullptr);

  void SetWorkDir(const WorkDir& wd) { work_ = wd; }
  // Called once for every bitmap that cannot be loaded (the part is then
  // painted without its image).
  std::function<void(const std::string& name)> onBitmapMissing;

  // Called with the new width whenever the panel is resized.
  std::function<void(int width)> onResized;

  // The sizes of label texts in the font the labels are painted in.
  TextMetrics Metrics() const;

  // Takes the picture to paint and loads the bitmaps it names.
  void SetPicture(SchemePicture pic);
  const SchemePicture& Picture() const { return pic_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  const QPixmap* Bitmap(const std::string& name);

  WorkDir work_;
  SchemePicture pic_;
  std::map<std::string, QPixmap> bitmaps_;  // loaded, white made transparent
  std::map<std::string, bool> missing_;
};

}  // namespace tps::ui
