#include "mainwin/ui/formated_button.h"

#include <QPainter>
#include <QStyleOptionButton>

namespace quillary {

TFormatedButton::TFormatedButton(QWidget* parent, int gap) : QAbstractButton(parent), gap_(gap) {
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(false);
}

void TFormatedButton::SetColumns(const std::vector<int>& percents) {
  // Cells that stay keep their texts until the next refill.
  cells_.resize(percents.size());
  for (size_t i = 0; i < percents.size(); ++i) {
    cells_[i].Percent = percents[i];
    cells_[i].Width = -1;
  }
  ComputeWidths();
  update();
}

void TFormatedButton::SetCell(int i, const QString& text, bool rightAligned) {
  if (i < 0 || i >= CellCount()) return;
  cells_[size_t(i)].Text = text.left(kMaxCellText);
  cells_[size_t(i)].RightAligned = rightAligned;
  update();
}

void TFormatedButton::ClearCells() {
  for (TLabelRec& c : cells_) c.Text.clear();
  update();
}

QString TFormatedButton::Texts() const {
  QStringList out;
  for (const TLabelRec& c : cells_) out << c.Text;
  return out.join('|');
}

void TFormatedButton::SetSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  setChecked(selected);
  update();
}

void TFormatedButton::SetColors(QColor text, QColor background, QColor selectedText,
                                QColor selectedBackground) {
  text_ = text;
  background_ = background;
  selText_ = selectedText;
  selBackground_ = selectedBackground;
  update();
}

QSize TFormatedButton::sizeHint() const {
  const int h = fontMetrics().height();
  return {120, 4 + h + std::min(h, fontMetrics().height()) / 4 + 4};
}

void TFormatedButton::ComputeWidths() {
  const int total = width() - int(cells_.size()) * gap_ - 8;
  for (TLabelRec& c : cells_)
    c.Width = (c.Percent <= 0 || c.Percent > 100) ? 0 : c.Percent * std::max(0, total) / 100;
}

void TFormatedButton::resizeEvent(QResizeEvent* e) {
  QAbstractButton::resizeEvent(e);
  ComputeWidths();
}

void TFormatedButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const bool down = isDown();
  const QRect r = rect();
  p.fillRect(r, selected_ ? selBackground_ : background_);
  // A raised bevel, sunk while pressed or selected.
  const bool sunk = down || selected_;
  p.setPen(sunk ? QColor(Qt::darkGray) : QColor(Qt::white));
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(sunk ? QColor(Qt::white) : QColor(Qt::darkGray));
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
  if (hasFocus()) {
    p.setPen(QPen(selected_ ? selText_ : text_, 1, Qt::DotLine));
    p.drawRect(r.adjusted(2, 2, -3, -3));
  }
  p.setPen(selected_ ? selText_ : text_);
  const QFontMetrics fm = fontMetrics();
  int x = 6 + (down ? 1 : 0);
  const int y = (down ? 1 : 0);
  for (const TLabelRec& c : cells_) {
    if (c.Width > 0) {
      QString t = c.RightAligned ? c.Text + ' ' : c.Text;
      // A text wider than its cell loses characters from its end.
      while (!t.isEmpty() && fm.horizontalAdvance(t) > c.Width) t.chop(1);
      const QRect cell(x, y, c.Width, r.height());
      p.drawText(cell, Qt::AlignVCenter | (c.RightAligned ? Qt::AlignRight : Qt::AlignLeft), t);
    }
    x += c.Width + gap_;
  }
}

}  // namespace quillary
