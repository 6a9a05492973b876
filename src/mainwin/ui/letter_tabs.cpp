#include "mainwin/ui/letter_tabs.h"

#include <QPainter>
#include <QToolButton>

#include "mainwin/browse_rules.h"
#include "mainwin/color_scheme.h"

namespace quillary {

TColorButton::TColorButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
  setText(text);
  setFocusPolicy(Qt::NoFocus);
}

void TColorButton::SetColors(QColor text, QColor background) {
  text_ = text;
  background_ = background;
  update();
}

void TColorButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  p.fillRect(r, isEnabled() ? background_ : background_.lighter(105));
  p.setPen(isDown() ? QColor(Qt::darkGray) : QColor(Qt::white));
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(isDown() ? QColor(Qt::white) : QColor(Qt::darkGray));
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
  QFont f = font();
  f.setBold(true);
  p.setFont(f);
  p.setPen(isEnabled() ? text_ : palette().color(QPalette::Disabled, QPalette::WindowText));
  p.drawText(r, Qt::AlignCenter, text());
}

TLetterTabs::TLetterTabs(QWidget* parent) : QWidget(parent) {
  setObjectName("Panel7");
  Panel5_ = new QWidget(this);
  Panel5_->setObjectName("Panel5");
  Panel5_->setToolTip("If Letter Tabs are disabled select Primary Sort Field");
  for (char l = 'A'; l <= 'Z'; ++l) {
    auto* b = new TColorButton(QString(QChar(l)), Panel5_);
    b->setObjectName(QString("ColorButton%1").arg(l - 'A' + 1));
    connect(b, &TColorButton::clicked, this, [this, l] { emit LetterClicked(l); });
    tabs_[size_t(l - 'A')] = b;
  }
  up_ = new QToolButton(this);
  up_->setObjectName("SpeedButton2");
  up_->setArrowType(Qt::UpArrow);
  up_->setToolTip("Scroll Letter Bar Up");
  up_->setFocusPolicy(Qt::NoFocus);
  down_ = new QToolButton(this);
  down_->setObjectName("SpeedButton1");
  down_->setArrowType(Qt::DownArrow);
  down_->setToolTip("Scroll Letter Bar Down");
  down_->setFocusPolicy(Qt::NoFocus);
  connect(up_, &QToolButton::clicked, this, [this] {
    const int h = std::max(kMinTabHeight, Panel5_->height() / 26);
    scroll_ = std::max(0, scroll_ - (h - 1));
    Place();
  });
  connect(down_, &QToolButton::clicked, this, [this] {
    const int h = std::max(kMinTabHeight, Panel5_->height() / 26);
    scroll_ += h - 1;
    Place();
  });
  setMinimumWidth(22);
  setMaximumWidth(26);
  for (char l = 'A'; l <= 'Z'; ++l) Recolor(l, 0);
}

void TLetterTabs::SetSelected(char letter) {
  const char old = selected_;
  selected_ = letter;
  if (IsTabLetter(old)) Recolor(old, counts_[size_t(old - 'A')]);
  if (IsTabLetter(letter)) Recolor(letter, counts_[size_t(letter - 'A')]);
}

void TLetterTabs::Recolor(char letter, int32_t count) {
  if (!IsTabLetter(letter)) return;
  counts_[size_t(letter - 'A')] = count;
  const TabElements e = LetterTabElements(count, letter == selected_);
  Tab(letter)->SetColors(QColor::fromRgb(Scheme().Rgb(e.text)), QColor::fromRgb(Scheme().Rgb(e.background)));
}

void TLetterTabs::SetTabsEnabled(bool enabled) {
  for (TColorButton* b : tabs_) b->setEnabled(enabled);
}

void TLetterTabs::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  Place();
}

void TLetterTabs::Place() {
  // The scroll buttons sit at the ends; the tabs fill the space between.
  const int bh = 14;
  up_->setGeometry(0, 0, width(), bh);
  down_->setGeometry(0, height() - bh, width(), bh);
  Panel5_->setGeometry(0, bh, width(), std::max(0, height() - 2 * bh));
  const int h = std::max(kMinTabHeight, Panel5_->height() / 26);
  const int full = 26 * (h - 1) + 1;
  scroll_ = std::clamp(scroll_, 0, std::max(0, full - Panel5_->height()));
  for (int i = 0; i < 26; ++i) tabs_[size_t(i)]->setGeometry(0, i * (h - 1) - scroll_, width(), h);
  UpdateScrollButtons();
}

void TLetterTabs::UpdateScrollButtons() {
  up_->setEnabled(tabs_[0]->y() < 0);
  down_->setEnabled(tabs_[25]->geometry().bottom() >= Panel5_->height());
}

}  // namespace quillary
