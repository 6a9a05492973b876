#include "internet/ui/tray_icon.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

namespace quillary {

TTrayIcon::TTrayIcon(QObject* parent) : QObject(parent) {}

TTrayIcon::~TTrayIcon() { SetActive(false); }

bool TTrayIcon::Available() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TTrayIcon::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  if (active) {
    icon_ = new QSystemTrayIcon(picture_, this);
    icon_->setToolTip(toolTip_);
    // The menu is opened by hand so a right click can be vetoed first.
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) {
              switch (r) {
                case QSystemTrayIcon::Trigger: emit Click(); break;
                case QSystemTrayIcon::DoubleClick: emit DblClick(); break;
                case QSystemTrayIcon::Context: HandleRightClick(QCursor::pos()); break;
                default: break;
              }
            });
    icon_->show();
  } else {
    delete icon_;
    icon_ = nullptr;
  }
}

void TTrayIcon::SetToolTip(const QString& tip) {
  toolTip_ = tip.left(kMaxToolTip);
  if (icon_) icon_->setToolTip(toolTip_);
}

void TTrayIcon::SetIcon(const QIcon& icon) {
  picture_ = icon;
  if (icon_) icon_->setIcon(icon);
}

void TTrayIcon::HandleRightClick(const QPoint& pos) {
  bool show = true;
  emit RightClick(pos, &show);
  if (!show || !menu_) return;
  if (QWidget* w = QApplication::activeWindow()) w->activateWindow();
  menu_->popup(pos);
}

}  // namespace quillary
