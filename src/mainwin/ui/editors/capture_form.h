// The two whole-screen windows of the picture control: the screen capture,
// where the user drags a rectangle over a snapshot of the screen, and the
// full-screen view of a picture.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPixmap>

namespace quillary {

class TScreenCaptureForm : public QDialog {
  Q_OBJECT
 public:
  explicit TScreenCaptureForm(const QPixmap& snapshot, QWidget* parent = nullptr);
  // The dragged rectangle in snapshot pixels; empty until the user dragged.
  QRect SelectedRect() const { return selected_; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  QRect Dragged() const;
  QPixmap snapshot_;
  QPoint origin_, current_;
  bool dragging_ = false;
  QRect selected_;
};

class TFullScreenForm : public QDialog {
  Q_OBJECT
 public:
  explicit TFullScreenForm(const QImage& picture, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  QImage picture_;
};

}  // namespace quillary
