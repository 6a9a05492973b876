// The screen capture and full-screen windows.
#include "mainwin/ui/editors/capture_form.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include "mainwin/editor_rules.h"

namespace quillary {

TScreenCaptureForm::TScreenCaptureForm(const QPixmap& snapshot, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      snapshot_(snapshot) {
  setCursor(Qt::CrossCursor);
  setModal(true);
  const QSize logical = snapshot_.deviceIndependentSize().toSize();
  resize(logical.isEmpty() ? QSize(640, 480) : logical);
}

QRect TScreenCaptureForm::Dragged() const { return QRect(origin_, current_).normalized(); }

void TScreenCaptureForm::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawPixmap(rect(), snapshot_);
  if (dragging_) {
    QStyleOptionFocusRect opt;
    opt.initFrom(this);
    opt.rect = Dragged();
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
    QPen pen(Qt::black, 1, Qt::DashLine);
    p.setPen(pen);
    p.drawRect(Dragged());
  }
}

void TScreenCaptureForm::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  origin_ = current_ = e->position().toPoint();
  dragging_ = true;
  update();
}

void TScreenCaptureForm::mouseMoveEvent(QMouseEvent* e) {
  if (!dragging_) return;
  current_ = e->position().toPoint();
  update();
}

void TScreenCaptureForm::mouseReleaseEvent(QMouseEvent* e) {
  if (!dragging_ || e->button() != Qt::LeftButton) return;
  dragging_ = false;
  current_ = e->position().toPoint();
  // The rectangle spans the drag; without width or height it stays empty
  // and the control says so.
  const qreal scale = snapshot_.devicePixelRatio();
  const QPoint topLeft(std::min(origin_.x(), current_.x()), std::min(origin_.y(), current_.y()));
  const QSize size(std::abs(current_.x() - origin_.x()), std::abs(current_.y() - origin_.y()));
  selected_ = QRect(QPoint(int(topLeft.x() * scale), int(topLeft.y() * scale)),
                    QSize(int(size.width() * scale), int(size.height() * scale)));
  accept();
}

TFullScreenForm::TFullScreenForm(const QImage& picture, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), picture_(picture) {
  setModal(true);
  setCursor(Qt::PointingHandCursor);
}

void TFullScreenForm::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  if (picture_.isNull()) return;
  const QSize s = StretchToFit(picture_.size(), size());
  const QRect target(QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), s);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(target, picture_);
}

void TFullScreenForm::keyPressEvent(QKeyEvent*) { accept(); }
void TFullScreenForm::mousePressEvent(QMouseEvent*) { accept(); }

}  // namespace quillary
