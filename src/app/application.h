// The program's start-up and ending, in their fixed order: directories and
// option files, the splash, the tray window, the main window, the tips, the
// first activation and the unclean-end check; at the end every settings file
// is written back.
#pragma once

#include <QObject>
#include "mainwin/ui/main_window.h"
#include <QPointer>
#include <functional>
#include <memory>

class QDialog;
class QSessionManager;

namespace quillary {

class TAboutBox;
class TTrayForm;
class TLogForm;
class TProgressForm;
class QtEventPump;

class Application : public QObject {
  Q_OBJECT
 public:
  // `resourceDir`: the shipped files; empty means share/quillary beside bin/.
  explicit Application(const QString& resourceDir = QString());
  ~Application() override;

  // Start-up steps up to the event loop. Returns false when the program must
  // end at once (the reason has been shown).
  bool Start();
  // Runs the event loop until the tray window closes, then the final step;
  // returns at once when the program ended during the start.
  int Exec();

  // Once per run, when the event loop starts.
  void FirstActivation();
  // Shows the tips dialog modally.
  void ShowTips();
  // "Exit" and the termination signals: closes the modal dialogs open (as
  // cancelled), then the tray window, which ends the program. Before the
  // tray window exists the end is remembered and done once it does.
  void Exit();
  // The desktop session is ending: true when the program ended (the current
  // record was saved or discarded), false when the desktop must wait.
  bool SessionEnding();
  // The same where no one can answer: the shown record is saved without a
  // question and the program ends.
  void SessionEndingUnattended();

  TTrayForm* TrayForm() const { return tray_.get(); }
  TForm3* MainWindow() const { return main_; }
  bool Ended() const { return ended_; }

  // Tests replace how modal dialogs run (default: exec()).
  std::function<void(QDialog&)> runDialog;

 private:
  void End();
  void CommitData(QSessionManager& manager);
  static void CloseModalDialogs();

  std::unique_ptr<QtEventPump> pump_;
  std::unique_ptr<TAboutBox> splash_;
  std::unique_ptr<TTrayForm> tray_;
  QPointer<TForm3> main_;
  TLogForm* logForm_ = nullptr;  // owned by the tray window
  TProgressForm* progress_ = nullptr;  // owned by the tray window
  QString resourceDir_;
  bool activated_ = false;
  bool ended_ = false;
  bool endRequested_ = false;
};

}  // namespace quillary
