#include "app/application.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QSessionManager>
#include <QTimer>

#include "internet/ui/tray_form.h"
#include "mainwin/ui/main_window.h"
#include "maintenance/maintenance_log.h"
#include "maintenance/ui/log_form.h"
#include "shell/event_pump.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "shell/startup.h"
#include "shell/templates.h"
#include "shell/ui/about_box.h"
#include "shell/ui/hints_dlg.h"
#include "shell/ui/progress_form.h"
#include "shell/ui/qt_event_pump.h"
#include "tables/database.h"

namespace quillary {

Application::Application(const QString& resourceDir)
    : pump_(std::make_unique<QtEventPump>()),
      resourceDir_(resourceDir.isEmpty() ? DefaultResourceDir() : resourceDir) {
  runDialog = [](QDialog& d) { d.exec(); };
}

Application::~Application() {
  if (!ended_ && tray_) End();
  delete main_;
  TProgressForm::Install(nullptr);
}

bool Application::Start() {
  OptionStore& o = Opt();
  // 1. Directories: the writable home and the shipped resources.
  o.InitDirectories(DefaultProgramDir(), resourceDir_);
  QDir().mkpath(o.ProgramDir);
  // 2. File handles.
  RaiseFileHandleLimit(100);
  // 3. Product texts.
  QApplication::setApplicationName(product::kAppTitle);
  QApplication::setApplicationDisplayName(product::kAppTitle);
  QApplication::setApplicationVersion(product::kVersion);
  // 4. The tray icon stays on unless an option file says otherwise.
  o.ShowTrayIcon = 1;
  // 5. Splash.
  splash_ = std::make_unique<TAboutBox>();
  splash_->ShowAsSplash();
  try {
    // 6-8. System options and data directories.
    o.LoadSystemOptions();
    o.UserDataDir = o.PublicDataDir();
    o.EnsureDataDirectories();
  } catch (const StartupIoError& e) {
    splash_.reset();
    Msg().Error(QString("I/O error: cannot enter the directory \"%1\".").arg(e.path));
    return false;
  }
  // 10-11. User options, labels and date formats.
  o.LoadUserOptions();
  LoadTemplateLists();
  o.LoadLabels();
  o.LoadDateFormats();
  // 12. The tray window is the hidden application window.
  tray_ = std::make_unique<TTrayForm>();
  progress_ = new TProgressForm(tray_.get());
  TProgressForm::Install(progress_);
  connect(tray_.get(), &TTrayForm::Ending, this, &Application::End);
  MaintenanceLog().Load();
  logForm_ = new TLogForm(tray_.get());
  // 14. Main window; it opens the current database.
  tables::Db().Reset();
  main_ = new TForm3;
  tray_->AttachMainWindow(main_, *main_);
  connect(main_, &TForm3::ExitRequested, this, &Application::Exit);
  connect(main_, &TForm3::TipsRequested, this, &Application::ShowTips);
  connect(main_, &TForm3::AboutRequested, this, [this] {
    TAboutBox about(main_);
    runDialog(about);
  });
  main_->show();
  // A database that can be neither opened nor recreated: the window closes
  // itself at once, into the tray or ending the program.
  if (!main_->DatabaseOpened()) main_->close();
  // 15. Splash goes.
  splash_.reset();
  if (ended_) return false;
  // The desktop may end the session while the tips are open.
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(app, &QGuiApplication::commitDataRequest, this, &Application::CommitData,
            Qt::DirectConnection);
  }
  // An end asked for before the windows existed is done now, as then.
  if (endRequested_) Exit();
  // 16. Tips.
  if (!ended_ && o.ShowTips == 1) ShowTips();
  QTimer::singleShot(0, this, &Application::FirstActivation);
  return true;
}

int Application::Exec() {
  if (ended_) return 0;
  int rc = QApplication::exec();
  // 18. The final step after the event loop (reminder data) comes here.
  return rc;
}

void Application::ShowTips() {
  THintsDlg dlg(Opt().ResourceDir + "/hints.txt", main_);
  runDialog(dlg);
}

void Application::FirstActivation() {
  if (activated_ || ended_) return;
  activated_ = true;
  OptionStore& o = Opt();
  if (!o.WasClosedNormally()) {
    QApplication::beep();
    Msg().Show(MsgKind::Warning, UncleanEndWarning(), MsgButtons::OkHelp,
               kUncleanEndHelpTopic);
    // The program may have ended while the warning was open.
    if (ended_) return;
  }
  o.MarkRunning();
  if (main_ && main_->isVisible()) {
    main_->raise();
    main_->activateWindow();
  }
}

void Application::Exit() {
  if (ended_) return;
  endRequested_ = true;
  if (!tray_) return;  // Start() ends the program once its windows exist
  // A termination signal can arrive while the record form loads or saves
  // or a loop over records pumps events: the end waits until that is over,
  // so the tables are not closed under it.
  if ((main_ && main_->IsBusy()) || Pumping()) {
    QTimer::singleShot(20, this, &Application::Exit);
    return;
  }
  // A dialog left open would keep its own event loop, and the program,
  // running after the end; cancelled, its caller goes on and finds the end.
  CloseModalDialogs();
  tray_->close();
}

void Application::CloseModalDialogs() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* d = qobject_cast<QDialog*>(w);
    if (d && d->isVisible() && d->isModal()) d->reject();
  }
}

void Application::End() {
  if (ended_) return;
  ended_ = true;
  OptionStore& o = Opt();
  // 1. The main window writes its files; then the option files.
  if (main_) {
    main_->Teardown();
    main_->hide();
  }
  o.SaveSystemOptions();
  o.SaveUserOptions();
  // The window itself is deleted with the Application, after the event
  // loops have returned: a dialog still open over it is a child of it.
  // 3. The run ended normally.
  o.MarkClosed();
  // 4. Template lists, then the maintenance log.
  SaveTemplateLists();
  MaintenanceLog().SaveAtEnd();
}

bool Application::SessionEnding() {
  if (main_ && !main_->SaveCurrentRecord()) {
    Msg().Error(CouldNotShutDownText());
    return false;
  }
  Msg().Information(ShuttingDownText());
  Exit();
  return ended_;
}

void Application::SessionEndingUnattended() {
  if (main_) main_->SaveCurrentRecordUnattended();
  Exit();
}

void Application::CommitData(QSessionManager& manager) {
  // Where the desktop lets no one answer, the record is saved without asking.
  if (!manager.allowsInteraction()) {
    SessionEndingUnattended();
    return;
  }
  const bool ended = SessionEnding();
  manager.release();
  if (!ended) manager.cancel();
}

}  // namespace quillary
