// The application's hidden top-level window. It owns the tray icon and its
// menu, shows and hides the main record window, and closing it ends the
// program (the main window is closed first, once).
#pragma once

#include <QPointer>
#include <QWidget>

class QAction;
class QMenu;

namespace quillary {

class Hub;
class TTrayIcon;

class TTrayForm : public QWidget {
  Q_OBJECT
 public:
  explicit TTrayForm(QWidget* parent = nullptr);

  // The main record window, which keeps itself in the tray through its hub
  // while the icon is on.
  void AttachMainWindow(QWidget* main, Hub& hub);
  QWidget* MainWindow() const { return main_; }
  QAction* Show1() const { return Show1_; }
  QAction* Terminate1() const { return Terminate1_; }

  // True while the icon is on: ShowTrayIcon is 1 and the desktop has a
  // notification area. Without it, closing the main window ends the program.
  bool TrayMode() const;
  bool HiddenInTray() const { return hiddenInTray_; }

  void MarkHiddenInTray();
  void Restore();
  // The menu's items, also reachable from the main window.
  void Show1Click();
  void Terminate1Click();
  // Sets the captions and enabled states as the menu does when it opens.
  void UpdateMenu();
  // Call after the options dialog changed ShowTrayIcon.
  void ApplyTrayOption();

 signals:
  // The tray window is closing: the program ends after this returns.
  void Ending();

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  TTrayIcon* TrayIcon1_;
  QMenu* menu_;
  QAction* Show1_;
  QAction* Terminate1_;
  QPointer<QWidget> main_;
  QPointer<QWidget> rememberedWindow_;
  bool hiddenInTray_ = false;
  bool closing_ = false;
};

}  // namespace quillary
