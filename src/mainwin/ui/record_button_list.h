// The list page's column of record buttons: as many as fit its height in the
// record buttons' font, each drawing the list's columns as cells, the button
// of the shown record pressed.
#pragma once

#include <QPoint>
#include <QWidget>
#include <vector>

namespace quillary {

class TFormatedButton;
struct PageView;

class TRecordButtonList : public QWidget {
  Q_OBJECT
 public:
  explicit TRecordButtonList(QWidget* parent);

  int Count() const { return int(buttons_.size()); }
  TFormatedButton* Button(int k) const { return buttons_.at(size_t(k)); }
  // The focused button, or 0.
  int FocusedButton() const;
  // Buttons made or removed for the height, all made again for a new font;
  // true when their number or font changed.
  bool Adjust();
  // One cell per column with its share of the width.
  void SetColumns(const std::vector<int>& percents);
  void ApplyColors();
  void ClearCells();
  // The page's cells and the shown record's button pressed.
  void ShowPage(const PageView& page);
  void SetSelected(int k, bool selected);

 signals:
  void Clicked(int k);
  void MenuRequested(int k, const QPoint& globalPos);
  void Resized();

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  std::vector<TFormatedButton*> buttons_;
  std::vector<int> percents_;
};

}  // namespace quillary
