// A record button of the list page: a flat button that draws the list's
// columns as cells side by side (each a share of the width, right-aligned
// cells for numbers), in the record-button colours or, while selected, the
// selected colours.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <vector>

namespace quillary {

struct TLabelRec {
  QString Text;        // at most 128 characters
  int Width = -1;      // pixels, -1 until computed
  int Percent = 0;     // 0..100
  bool RightAligned = false;
};

class TFormatedButton : public QAbstractButton {
  Q_OBJECT
 public:
  static constexpr int kMaxCellText = 128;

  explicit TFormatedButton(QWidget* parent = nullptr, int gap = 4);

  // One cell per column, with the column's share of the width.
  void SetColumns(const std::vector<int>& percents);
  int CellCount() const { return int(cells_.size()); }
  void SetCell(int i, const QString& text, bool rightAligned);
  const TLabelRec& Cell(int i) const { return cells_[size_t(i)]; }
  void ClearCells();
  // The texts of all cells joined, for tests and accessibility.
  QString Texts() const;

  void SetSelected(bool selected);
  bool Selected() const { return selected_; }
  void SetColors(QColor text, QColor background, QColor selectedText, QColor selectedBackground);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void ComputeWidths();
  std::vector<TLabelRec> cells_;
  int gap_;
  bool selected_ = false;
  QColor text_{Qt::blue}, background_{Qt::lightGray}, selText_{Qt::white}, selBackground_{Qt::gray};
};

}  // namespace quillary
