#include "mainwin/ui/speed_bars.h"

#include <QAction>
#include <QHBoxLayout>
#include <QResizeEvent>
#include <QToolButton>

namespace quillary {

namespace {

// Hot buttons: the caption turns red under the mouse; disabled captions
// stay readable on the scheme's silver.
constexpr const char* kHotButtonStyle =
    "QToolButton:hover:enabled { color: red; } QToolButton:disabled { color: #808080; }";

QToolButton* MakeButton(QWidget* parent, QAction* action, const QString& name) {
  auto* b = new QToolButton(parent);
  b->setDefaultAction(action);
  b->setObjectName(name);
  b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  b->setFocusPolicy(Qt::NoFocus);
  b->setStyleSheet(kHotButtonStyle);
  return b;
}

// The width a button takes with its caption, whatever it shows now.
int CaptionedWidth(QToolButton* b) {
  const Qt::ToolButtonStyle s = b->toolButtonStyle();
  b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  const int w = b->sizeHint().width();
  b->setToolButtonStyle(s);
  return w;
}

void ShowCaptions(const std::vector<QToolButton*>& buttons, bool captions) {
  for (QToolButton* b : buttons)
    b->setToolButtonStyle(captions ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
}

}  // namespace

TSpeedBar::TSpeedBar(QWidget* parent) : QTabWidget(parent) {
  setObjectName("PageControl1");
  setDocumentMode(true);
  const char* captions[] = {"Standard", "Advanced"};
  for (int p = 0; p < 2; ++p) {
    auto* page = new QWidget;
    page->setObjectName(p == 0 ? "TabSheet1" : "TabSheet2");
    auto* l = new QHBoxLayout(page);
    l->setContentsMargins(4, 3, 4, 3);
    l->setSpacing(4);
    l->addStretch();
    addTab(page, captions[p]);
  }
}

QToolButton* TSpeedBar::AddButton(int page, QAction* action, const QString& name) {
  QWidget* sheet = widget(page);
  auto* l = static_cast<QHBoxLayout*>(sheet->layout());
  QToolButton* b = MakeButton(sheet, action, name);
  b->setAutoRaise(true);
  l->insertWidget(l->count() - 1, b);  // before the stretch
  buttons_[page].push_back(b);
  return b;
}

void TSpeedBar::FitCaptions() {
  // Both pages lose their captions together when either page's buttons no
  // longer fit, and get them back when both fit again.
  bool fits = true;
  for (const auto& page : buttons_) {
    int need = 8;
    for (QToolButton* b : page) need += CaptionedWidth(b) + 4;
    need -= 4;
    if (need >= width()) fits = false;
  }
  for (const auto& page : buttons_) ShowCaptions(page, fits);
}

void TSpeedBar::resizeEvent(QResizeEvent* e) {
  QTabWidget::resizeEvent(e);
  FitCaptions();
}

TNavigationBar::TNavigationBar(QWidget* parent, QAction* first, QAction* pgUp, QAction* quick, QAction* pgDn,
                               QAction* last)
    : QWidget(parent) {
  setObjectName("Panel6");
  auto* l = new QHBoxLayout(this);
  l->setContentsMargins(4, 2, 4, 2);
  l->setSpacing(2);
  for (QAction* a : {first, pgUp}) buttons_.push_back(MakeButton(this, a, a->objectName()));
  quick_ = MakeButton(this, quick, quick->objectName());
  quick_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  for (QAction* a : {pgDn, last}) buttons_.push_back(MakeButton(this, a, a->objectName()));
  l->addWidget(buttons_[0]);
  l->addWidget(buttons_[1]);
  l->addStretch();
  l->addWidget(quick_);
  l->addStretch();
  l->addWidget(buttons_[2]);
  l->addWidget(buttons_[3]);
}

void TNavigationBar::FitCaptions() {
  int need = 12 + quick_->sizeHint().width();
  for (QToolButton* b : buttons_) need += CaptionedWidth(b);
  ShowCaptions(buttons_, width() >= need);
}

void TNavigationBar::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  FitCaptions();
}

}  // namespace quillary
