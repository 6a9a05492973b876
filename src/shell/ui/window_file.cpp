#include "shell/ui/window_file.h"

#include <QWidget>

#include "shell/options.h"

namespace quillary {

int ReadWindowFile(QWidget* window) {
  const WindowGeometry g = Opt().LoadWindowGeometry();
  if (!g.present) return 0;
  if (g.width > 0 && g.height > 0 && g.paneWidth > 0) {
    window->setGeometry(g.left, g.top, g.width, g.height);
    return g.paneWidth;
  }
  if (g.width == 0 && g.height == 0 && g.paneWidth == 0)
    window->setWindowState(window->windowState() | Qt::WindowMaximized);
  return 0;
}

void WriteWindowFile(QWidget* window, int paneWidth) {
  WindowGeometry g;
  g.maximized = window->isMaximized();
  const QRect r = window->geometry();
  g.top = r.top();
  g.left = r.left();
  g.width = r.width();
  g.height = r.height();
  g.paneWidth = paneWidth;
  Opt().SaveWindowGeometry(g);
}

}  // namespace quillary
