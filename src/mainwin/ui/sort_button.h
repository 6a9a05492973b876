// The sort button above the record list: three buttons in one panel, the
// primary and secondary sort field with their directions, and the filter
// state. The main window sets the captions; the menus and the sort dialog
// are raised through the events.
#pragma once

#include <QIcon>
#include <QWidget>

#include "tables/tindex.h"

class QToolButton;

namespace quillary {

class TSortButton : public QWidget {
  Q_OBJECT
 public:
  explicit TSortButton(QWidget* parent = nullptr);

  void SetCaption1(const QString& text);
  void SetCaption2(const QString& text);
  QString Caption1() const;
  QString Caption2() const;
  QString Caption3() const;

  void SetIsDown1(bool down);
  void SetIsDown2(bool down);

  void SetFilterState(tables::FilterState state);
  tables::FilterState FilterState() const { return filter_; }

  void SetHint1(const QString& h);
  void SetHint2(const QString& h);
  void SetHint3(const QString& h);

  QToolButton* Button(int i) const { return buttons_[i]; }

  QSize sizeHint() const override { return {300, 22}; }

 signals:
  void OnClick(int button);          // first two buttons
  void OnFilterClick();
  void OnMenuRequested(int button, const QPoint& globalPos);  // right click, 0..2

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  void UpdateGlyphs();
  QToolButton* buttons_[3];
  bool isDown1_ = true, isDown2_ = false;
  tables::FilterState filter_ = tables::FilterState::fsFilterOff;
  QIcon UpBmp, DownBmp, FilterBmp;
};

}  // namespace quillary
