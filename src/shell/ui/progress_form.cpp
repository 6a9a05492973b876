#include "shell/ui/progress_form.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/event_pump.h"
#include "shell/ui/qt_event_pump.h"

namespace quillary {

TProgressForm::TProgressForm(QWidget* parent) : QDialog(parent) {
  setObjectName("ProgressForm");
  setWindowTitle("Progress");
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
  auto* layout = new QVBoxLayout(this);
  Bar_ = new QProgressBar(this);
  Bar_->setObjectName("Bar");
  Bar_->setRange(0, 100);
  Bar_->setValue(0);
  Counter_Lbl_ = new QLabel(this);
  Counter_Lbl_->setObjectName("Counter_Lbl");
  Counter_Lbl_->hide();
  StopBtn_ = new QPushButton("&Stop", this);
  StopBtn_->setObjectName("StopBtn");
  StopBtn_->hide();
  connect(StopBtn_, &QPushButton::clicked, this, [] { RequestStop(); });
  QtEventPump::AddStopButton(StopBtn_);
  layout->addWidget(Bar_);
  layout->addWidget(Counter_Lbl_);
  layout->addWidget(StopBtn_, 0, Qt::AlignCenter);
  setMinimumWidth(320);
}

void TProgressForm::ShowWindow(const QString& caption, bool barShown) {
  setWindowTitle(caption);
  Bar_->setVisible(barShown);
  Counter_Lbl_->setVisible(!barShown);
  StopBtn_->hide();
  show();
  raise();
  repaint();
}

void TProgressForm::SetCaption(const QString& caption) {
  setWindowTitle(caption);
}

void TProgressForm::PaintPercent(int percent) {
  Bar_->setValue(percent);
  Bar_->repaint();
}

void TProgressForm::PaintCounter(const QString& text) {
  Counter_Lbl_->setText(text);
  Counter_Lbl_->repaint();
}

void TProgressForm::HideWindow() { hide(); }

void TProgressForm::ShowStopButton(bool shown) {
  StopBtn_->setVisible(shown);
  StopBtn_->repaint();
}

void TProgressForm::Install(TProgressForm* form) {
  SetProgressView(form);
  if (!form) {
    SetWaitCursorHook({});
    return;
  }
  SetWaitCursorHook([](bool busy) {
    if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  });
}

}  // namespace quillary
