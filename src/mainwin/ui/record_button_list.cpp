#include "mainwin/ui/record_button_list.h"

#include <QApplication>
#include <QResizeEvent>
#include <algorithm>

#include "mainwin/browser.h"
#include "mainwin/color_scheme.h"
#include "mainwin/ui/formated_button.h"
#include "mainwin/ui/view_options_commands.h"

namespace quillary {

namespace {

QColor Rgb(int element) { return QColor::fromRgb(Scheme().Rgb(element)); }

void Paint(TFormatedButton* b) {
  b->SetColors(Rgb(element::RecordButtonText), Rgb(element::RecordButtonBg), Rgb(element::SelectedButtonText),
               Rgb(element::SelectedButtonBg));
}

}  // namespace

TRecordButtonList::TRecordButtonList(QWidget* parent) : QWidget(parent) { setObjectName("RecordButtons"); }

int TRecordButtonList::FocusedButton() const {
  for (size_t k = 0; k < buttons_.size(); ++k)
    if (buttons_[k]->hasFocus()) return int(k);
  return 0;
}

bool TRecordButtonList::Adjust() {
  const QFont f = RecordButtonFont();
  const int fh = QFontMetrics(f).height();
  const int sys = QFontMetrics(QApplication::font()).height();
  const int h = 4 + fh + std::min(fh, sys) / 4;
  const int count = std::max(1, height() / (h + 2));
  const bool fontChanged = !buttons_.empty() && buttons_.front()->font() != f;
  if (fontChanged) {
    for (TFormatedButton* b : buttons_) delete b;
    buttons_.clear();
  }
  const bool changed = int(buttons_.size()) != count;
  while (int(buttons_.size()) > count) {
    delete buttons_.back();
    buttons_.pop_back();
  }
  while (int(buttons_.size()) < count) {
    const int k = int(buttons_.size());
    auto* b = new TFormatedButton(this, 0);
    b->setObjectName(QString("RecordButton%1").arg(k + 1));
    b->setFont(f);
    b->setCheckable(true);
    b->setToolTip("Left Click - Details; Right Click - Menu");
    b->setContextMenuPolicy(Qt::CustomContextMenu);
    Paint(b);
    b->SetColumns(percents_);
    connect(b, &TFormatedButton::clicked, this, [this, k] { emit Clicked(k); });
    connect(b, &TFormatedButton::customContextMenuRequested, this,
            [this, k, b](const QPoint& p) { emit MenuRequested(k, b->mapToGlobal(p)); });
    buttons_.push_back(b);
    b->show();
  }
  for (int k = 0; k < count; ++k) buttons_[size_t(k)]->setGeometry(0, k * (h + 2), width(), h);
  // Tab order: the buttons after the sort button, in page order.
  for (int k = 1; k < count; ++k) setTabOrder(buttons_[size_t(k - 1)], buttons_[size_t(k)]);
  return changed || fontChanged;
}

void TRecordButtonList::SetColumns(const std::vector<int>& percents) {
  percents_ = percents;
  for (TFormatedButton* b : buttons_) b->SetColumns(percents_);
}

void TRecordButtonList::ApplyColors() {
  for (TFormatedButton* b : buttons_) Paint(b);
}

void TRecordButtonList::ClearCells() {
  for (TFormatedButton* b : buttons_) b->ClearCells();
}

void TRecordButtonList::ShowPage(const PageView& v) {
  for (size_t k = 0; k < v.rows.size() && k < buttons_.size(); ++k)
    for (size_t c = 0; c < v.rows[k].cells.size(); ++c)
      buttons_[k]->SetCell(int(c), v.rows[k].cells[c].text, v.rows[k].cells[c].rightAligned);
  for (int k = 0; k < Count(); ++k) buttons_[size_t(k)]->SetSelected(k == v.selected);
}

void TRecordButtonList::SetSelected(int k, bool selected) {
  if (k >= 0 && k < Count()) buttons_[size_t(k)]->SetSelected(selected);
}

void TRecordButtonList::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  emit Resized();
}

}  // namespace quillary
