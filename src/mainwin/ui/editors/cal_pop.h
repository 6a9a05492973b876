// The calendar popup of the date edit: a month of 6 weeks from Sunday under a
// title band with month arrows, driven by keys and the mouse, closing with the
// chosen date, today's date or without a change.
#pragma once

#include <QDate>
#include <QDialog>

class QPushButton;

namespace quillary {

class TfrmCalPop : public QDialog {
  Q_OBJECT
 public:
  // exec() results besides QDialog::Rejected (closed without change).
  enum Outcome { DateTaken = 1, TodayChosen = 2 };

  // An invalid date starts on today.
  explicit TfrmCalPop(const QDate& date, QWidget* parent = nullptr);

  QDate Selected() const { return selected_; }
  void SetSelected(const QDate& date);
  // Just below the edit's left edge, above it when there is no room below,
  // shifted left to stay on the screen.
  void PlaceBelow(QWidget* edit);

  QPushButton* TodayBtn() const { return todayBtn_; }
  QPushButton* CloseBtn() const { return closeBtn_; }
  QWidget* Grid() const { return grid_; }
  QWidget* TitleBand() const { return title_; }
  // The grid cell rectangle of a date of the shown month, in grid coordinates.
  QRect CellRect(const QDate& date) const;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  friend class CalTitle;
  friend class CalGrid;
  QWidget* title_;
  QWidget* grid_;
  QPushButton* todayBtn_;
  QPushButton* closeBtn_;
  QDate selected_;
};

}  // namespace quillary
