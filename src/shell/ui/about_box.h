// The About window. At start it doubles as the splash: caption "Welcome",
// its OK button hidden, shown until the main window exists.
#pragma once

#include <QDialog>

class QPushButton;

namespace quillary {

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
  // Turns the box into the start-up splash and paints it at once.
  void ShowAsSplash();

 private:
  QPushButton* OKButton_;
};

}  // namespace quillary
