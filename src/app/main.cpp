// Quillary: an organizer for internet addresses and their contact data.
#include <QApplication>
#include <QIcon>

#include "app/application.h"
#include "app/signals.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "shell/ui/qt_messages.h"

int main(int argc, char** argv) {
  quillary::CatchTerminationSignals();
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  app.setDesktopFileName("quillary");
  app.setWindowIcon(QIcon(quillary::DefaultResourceDir() + "/quillary.svg"));

  quillary::QtMessages messages;
  quillary::SetMessages(&messages);

  quillary::Application program;
  quillary::InstallTerminationHandler([&program] { program.Exit(); });
  if (!program.Start()) return 1;
  return program.Exec();
}
