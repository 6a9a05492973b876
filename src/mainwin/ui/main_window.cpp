#include "mainwin/ui/main_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>

#include "shell/startup.h"
#include "shell/ui/window_file.h"
#include "tables/database.h"

namespace quillary {

TForm3::TForm3(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Form3");
  setWindowTitle(product::kTitle);
  auto* center = new QLabel(product::kTitle, this);
  center->setAlignment(Qt::AlignCenter);
  setCentralWidget(center);

  QMenu* file = menuBar()->addMenu("&File");
  Exit1_ = file->addAction("E&xit");
  Exit1_->setObjectName("Exit1");
  QMenu* help = menuBar()->addMenu("&Help");
  Tips1_ = help->addAction("&Tips");
  About1_ = help->addAction("&About");
  connect(Exit1_, &QAction::triggered, this, &TForm3::ExitRequested);
  connect(Tips1_, &QAction::triggered, this, &TForm3::TipsRequested);
  connect(About1_, &QAction::triggered, this, &TForm3::AboutRequested);

  resize(800, 560);
  paneWidth_ = ReadWindowFile(this);
  databaseOpened_ = tables::OpenDatabase();
}

bool TForm3::SaveCurrentRecord() { return true; }

void TForm3::Teardown() {
  WriteWindowFile(this, paneWidth_ > 0 ? paneWidth_ : width() / 2);
  tables::CurrentDatabase& db = tables::Db();
  if (db.Data.IsOpen()) db.Index.SaveSort();
  tables::CloseDatabase();
}

void TForm3::closeEvent(QCloseEvent* e) {
  // The window is never destroyed by its close box: it hides, and the
  // application decides whether the program goes on in the tray.
  e->ignore();
  if (!SaveCurrentRecord()) return;
  hide();
  if (keepInTray_ && keepInTray_()) emit HiddenToTray();
  else emit ExitRequested();
}

void TForm3::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange && isMinimized() && keepInTray_ &&
      keepInTray_()) {
    // In tray mode minimising only hides the window.
    QTimer::singleShot(0, this, [this] {
      hide();
      emit HiddenToTray();
    });
  }
}

}  // namespace quillary
