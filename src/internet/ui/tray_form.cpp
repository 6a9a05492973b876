#include "internet/ui/tray_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>

#include "internet/ui/tray_icon.h"
#include "mainwin/hub.h"
#include "shell/options.h"
#include "shell/startup.h"

namespace quillary {

TTrayForm::TTrayForm(QWidget* parent) : QWidget(parent) {
  setObjectName("TrayForm");
  setWindowTitle(product::kAppTitle);
  move(-10000, -10000);
  hide();

  TrayIcon1_ = new TTrayIcon(this);
  TrayIcon1_->SetIcon(QApplication::windowIcon());
  menu_ = new QMenu(this);
  Show1_ = menu_->addAction("Show " + product::kAppTitle);
  Show1_->setObjectName("Show1");
  Terminate1_ = menu_->addAction("Terminate " + product::kAppTitle);
  Terminate1_->setObjectName("Terminate1");
  connect(Show1_, &QAction::triggered, this, &TTrayForm::Show1Click);
  connect(Terminate1_, &QAction::triggered, this, &TTrayForm::Terminate1Click);
  connect(menu_, &QMenu::aboutToShow, this, &TTrayForm::UpdateMenu);
  TrayIcon1_->SetPopupMenu(menu_);
  TrayIcon1_->SetToolTip(product::kAppTitle);

  connect(TrayIcon1_, &TTrayIcon::Click, this, [this] {
    if (hiddenInTray_) Restore();
    else if (main_) { main_->raise(); main_->activateWindow(); }
  });
  connect(TrayIcon1_, &TTrayIcon::RightClick, this, [this](const QPoint&, bool* show) {
    // No menu while a dialog is open over the main window.
    const bool mainShown = main_ && main_->isVisible();
    *show = (mainShown || hiddenInTray_) && !QApplication::activeModalWidget();
  });

  if (Opt().ShowTrayIcon == 1 && TTrayIcon::Available()) TrayIcon1_->SetActive(true);
}

bool TTrayForm::TrayMode() const { return TrayIcon1_->Active(); }

void TTrayForm::MarkHiddenInTray() { hiddenInTray_ = true; }

void TTrayForm::Restore() {
  if (main_) {
    main_->showNormal();
    main_->raise();
    main_->activateWindow();
  }
  if (rememberedWindow_ && rememberedWindow_ != main_) rememberedWindow_->show();
  hiddenInTray_ = false;
}

void TTrayForm::AttachMainWindow(QWidget* main, Hub& hub) {
  main_ = main;
  QPointer<TTrayForm> self(this);
  hub.SetTrayMode([self] { return self && self->TrayMode(); },
                  [self] {
                    if (self) self->MarkHiddenInTray();
                  });
}

void TTrayForm::Show1Click() {
  if (main_ && main_->isVisible()) {
    rememberedWindow_ = QApplication::activeWindow();
    if (rememberedWindow_ && rememberedWindow_ != main_) rememberedWindow_->hide();
    main_->hide();
    MarkHiddenInTray();
  } else if (hiddenInTray_ || (main_ && !main_->isVisible())) {
    Restore();
  } else if (main_) {
    main_->raise();
  }
}

void TTrayForm::Terminate1Click() { close(); }

void TTrayForm::UpdateMenu() {
  const bool mainShown = main_ && main_->isVisible();
  Show1_->setText((mainShown ? "Hide " : "Show ") + product::kAppTitle);
  Terminate1_->setEnabled(!QApplication::activeModalWidget());
}

void TTrayForm::ApplyTrayOption() {
  const bool want = Opt().ShowTrayIcon == 1 && TTrayIcon::Available();
  if (want != TrayIcon1_->Active()) TrayIcon1_->SetActive(want);
}

void TTrayForm::closeEvent(QCloseEvent* e) {
  if (closing_) {  // a second close while closing is ignored
    e->ignore();
    return;
  }
  closing_ = true;
  emit Ending();
  TrayIcon1_->SetActive(false);
  e->accept();
  QApplication::quit();
}

}  // namespace quillary
