// The main record window: the hub from which every command runs. Closing it
// with the close box asks the record form to save, then hides it into the
// tray or ends the program; "Exit" ends the program directly.
#pragma once

#include <QMainWindow>

class QAction;

namespace quillary {

class TForm3 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr);

  // Asks the record form to save or discard the current record; false when
  // the user chose to stay.
  virtual bool SaveCurrentRecord();
  // Runs when the program ends, before the window is destroyed: writes the
  // window's settings files, saves the sort and closes the database.
  virtual void Teardown();

  // Whether the current database could be opened (or recreated) when the
  // window was built; when not, start-up closes the window at once.
  bool DatabaseOpened() const { return databaseOpened_; }

  // Whether closing the window keeps the program in the tray; set by the
  // application from the tray window's state.
  void SetKeepInTray(std::function<bool()> keepInTray) { keepInTray_ = std::move(keepInTray); }

  QAction* ExitAction() const { return Exit1_; }
  QAction* TipsAction() const { return Tips1_; }
  QAction* AboutAction() const { return About1_; }

 signals:
  // The close box hid the window and the program stays in the tray.
  void HiddenToTray();
  // The program must end: "Exit", or the close box without tray mode.
  void ExitRequested();
  void TipsRequested();
  void AboutRequested();

 protected:
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  std::function<bool()> keepInTray_;
  QAction* Exit1_;
  QAction* Tips1_;
  QAction* About1_;
  int paneWidth_ = 0;
  bool databaseOpened_ = false;
};

}  // namespace quillary
