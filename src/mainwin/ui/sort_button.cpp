#include "mainwin/ui/sort_button.h"

#include <QPainter>
#include <QPixmap>
#include <QToolButton>

namespace quillary {

namespace {

// Small drawn glyphs: a triangle pointing up or down, a funnel.
QIcon Arrow(bool down) {
  QPixmap pm(12, 12);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(0, 0, 128));
  p.setPen(Qt::NoPen);
  QPolygon tri;
  if (down) tri << QPoint(1, 3) << QPoint(11, 3) << QPoint(6, 10);
  else tri << QPoint(1, 9) << QPoint(11, 9) << QPoint(6, 2);
  p.drawPolygon(tri);
  return QIcon(pm);
}

QIcon Funnel() {
  QPixmap pm(12, 12);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(0, 0, 128));
  p.setPen(Qt::NoPen);
  QPolygon f;
  f << QPoint(0, 1) << QPoint(12, 1) << QPoint(7, 6) << QPoint(7, 11) << QPoint(5, 11) << QPoint(5, 6);
  p.drawPolygon(f);
  return QIcon(pm);
}

}  // namespace

TSortButton::TSortButton(QWidget* parent) : QWidget(parent) {
  UpBmp = Arrow(false);
  DownBmp = Arrow(true);
  FilterBmp = Funnel();
  for (int i = 0; i < 3; ++i) {
    auto* b = new QToolButton(this);
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setAutoRaise(false);
    b->setContextMenuPolicy(Qt::CustomContextMenu);
    b->setObjectName(QString("SortBtn%1").arg(i + 1));
    connect(b, &QToolButton::customContextMenuRequested, this,
            [this, i, b](const QPoint& pos) { emit OnMenuRequested(i, b->mapToGlobal(pos)); });
    buttons_[i] = b;
  }
  connect(buttons_[0], &QToolButton::clicked, this, [this] { emit OnClick(0); });
  connect(buttons_[1], &QToolButton::clicked, this, [this] { emit OnClick(1); });
  connect(buttons_[2], &QToolButton::clicked, this, &TSortButton::OnFilterClick);
  buttons_[0]->setText("Entry Order");
  buttons_[1]->setText("NONE");
  buttons_[2]->setIcon(FilterBmp);
  SetFilterState(tables::FilterState::fsFilterOff);
  UpdateGlyphs();
  setMinimumHeight(22);
}

void TSortButton::SetCaption1(const QString& text) { buttons_[0]->setText(text); }
void TSortButton::SetCaption2(const QString& text) { buttons_[1]->setText(text); }
QString TSortButton::Caption1() const { return buttons_[0]->text(); }
QString TSortButton::Caption2() const { return buttons_[1]->text(); }
QString TSortButton::Caption3() const { return buttons_[2]->text(); }

void TSortButton::SetIsDown1(bool down) {
  isDown1_ = down;
  UpdateGlyphs();
}

void TSortButton::SetIsDown2(bool down) {
  isDown2_ = down;
  UpdateGlyphs();
}

void TSortButton::SetFilterState(tables::FilterState state) {
  filter_ = state;
  switch (state) {
    case tables::FilterState::fsFilterOff: buttons_[2]->setText("All Records"); break;
    case tables::FilterState::fsNormal: buttons_[2]->setText("Normal Filter"); break;
    case tables::FilterState::fsReversed: buttons_[2]->setText("Reversed Filter"); break;
  }
}

void TSortButton::SetHint1(const QString& h) { buttons_[0]->setToolTip(h); }
void TSortButton::SetHint2(const QString& h) { buttons_[1]->setToolTip(h); }
void TSortButton::SetHint3(const QString& h) { buttons_[2]->setToolTip(h); }

void TSortButton::UpdateGlyphs() {
  buttons_[0]->setIcon(isDown1_ ? DownBmp : UpBmp);
  buttons_[1]->setIcon(isDown2_ ? DownBmp : UpBmp);
}

void TSortButton::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  // The first two take a third each, the third the rest.
  const int w = width(), h = height(), third = w / 3;
  buttons_[0]->setGeometry(0, 0, third, h);
  buttons_[1]->setGeometry(third, 0, third, h);
  buttons_[2]->setGeometry(2 * third, 0, w - 2 * third, h);
}

}  // namespace quillary
