// Applies and stores the main window's geometry (wnd.dat).
#pragma once

class QWidget;

namespace quillary {

// Applies the stored geometry and returns the stored right-pane width (0
// when none).
int ReadWindowFile(QWidget* window);
// Stores the window's geometry and the given right-pane width.
void WriteWindowFile(QWidget* window, int paneWidth);

}  // namespace quillary
