#include "shell/ui/about_box.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/event_pump.h"
#include "shell/startup.h"

namespace quillary {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle("About");
  auto* layout = new QVBoxLayout(this);
  auto* icon = new QLabel(this);
  icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
  icon->setAlignment(Qt::AlignCenter);
  auto* title = new QLabel(product::kTitle, this);
  QFont f = title->font();
  f.setPointSize(f.pointSize() + 6);
  f.setBold(true);
  title->setFont(f);
  title->setAlignment(Qt::AlignCenter);
  auto* version = new QLabel(product::kVersion, this);
  version->setAlignment(Qt::AlignCenter);
  auto* blurb = new QLabel(
      "An organizer for internet addresses and the contact data that goes with them.",
      this);
  blurb->setWordWrap(true);
  blurb->setAlignment(Qt::AlignCenter);
  OKButton_ = new QPushButton("OK", this);
  OKButton_->setDefault(true);
  connect(OKButton_, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(icon);
  layout->addWidget(title);
  layout->addWidget(version);
  layout->addWidget(blurb);
  layout->addWidget(OKButton_, 0, Qt::AlignCenter);
  setMinimumWidth(360);
}

void TAboutBox::ShowAsSplash() {
  OKButton_->hide();
  setWindowTitle("Welcome");
  setWindowFlag(Qt::WindowStaysOnTopHint, false);
  show();
  repaint();
  PumpEvents();
}

}  // namespace quillary
