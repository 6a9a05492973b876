// The main window's button bars: the main speed bar with its pages
// "Standard" and "Advanced", and the list page's navigation bar. Each drops
// its buttons' captions together when they no longer fit, and shows them
// again when they do.
#pragma once

#include <QTabWidget>
#include <QWidget>
#include <vector>

class QAction;
class QToolButton;

namespace quillary {

class TSpeedBar : public QTabWidget {
  Q_OBJECT
 public:
  explicit TSpeedBar(QWidget* parent);
  // A button for `action` at the end of page 0 ("Standard") or 1
  // ("Advanced").
  QToolButton* AddButton(int page, QAction* action, const QString& name);
  // Captions on both pages when both pages' buttons fit with them.
  void FitCaptions();

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  std::vector<QToolButton*> buttons_[2];
};

class TNavigationBar : public QWidget {
  Q_OBJECT
 public:
  // "First" and "PgUp" at the left, "PgDn" and "Last" at the right, the
  // quick access button centred between them; each button is named after
  // its action.
  TNavigationBar(QWidget* parent, QAction* first, QAction* pgUp, QAction* quick, QAction* pgDn, QAction* last);

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  void FitCaptions();

  std::vector<QToolButton*> buttons_;  // the four with captions
  QToolButton* quick_;
};

}  // namespace quillary
