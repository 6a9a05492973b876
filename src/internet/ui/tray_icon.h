// The notification-area icon: active flag, picture, tool tip (at most 62
// characters) and pop-up menu, with click, double-click and right-click events.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>

class QMenu;
class QSystemTrayIcon;

namespace quillary {

class TTrayIcon : public QObject {
  Q_OBJECT
 public:
  explicit TTrayIcon(QObject* parent = nullptr);
  ~TTrayIcon() override;

  static constexpr int kMaxToolTip = 62;

  void SetActive(bool active);
  bool Active() const { return active_; }
  void SetToolTip(const QString& tip);
  QString ToolTip() const { return toolTip_; }
  void SetIcon(const QIcon& icon);
  void SetPopupMenu(QMenu* menu) { menu_ = menu; }
  QMenu* PopupMenu() const { return menu_; }
  // True when the desktop shows notification-area icons.
  static bool Available();

 signals:
  void Click();
  void DblClick();
  // Reported before the menu opens; a handler may veto the menu.
  void RightClick(const QPoint& pos, bool* showMenu);

 private:
  void HandleRightClick(const QPoint& pos);

  QSystemTrayIcon* icon_ = nullptr;
  QMenu* menu_ = nullptr;
  QIcon picture_;
  QString toolTip_;
  bool active_ = false;
};

}  // namespace quillary
