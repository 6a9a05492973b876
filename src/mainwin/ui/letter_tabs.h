// The letter tab pane: the 26 tabs "A".."Z" stacked from the top, coloured
// by whether their letter has records, one of them selected, with the two
// scroll buttons for panes too short to show them all.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QWidget>
#include <array>

#include "tables/letter_counts.h"

class QToolButton;

namespace quillary {

// A button with its own text and background colours.
class TColorButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit TColorButton(const QString& text, QWidget* parent = nullptr);
  void SetColors(QColor text, QColor background);
  QColor TextColor() const { return text_; }
  QColor BackgroundColor() const { return background_; }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  QColor text_{Qt::black}, background_{Qt::lightGray};
};

class TLetterTabs : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMinTabHeight = 14;

  explicit TLetterTabs(QWidget* parent = nullptr);

  TColorButton* Tab(char letter) const { return tabs_[size_t(letter - 'A')]; }
  QToolButton* ScrollUp() const { return up_; }
  QToolButton* ScrollDown() const { return down_; }

  void SetSelected(char letter);
  char Selected() const { return selected_; }
  // Recolours one tab from its letter count and the scheme.
  void Recolor(char letter, int32_t count);
  void SetTabsEnabled(bool enabled);

  QSize sizeHint() const override { return {24, 26 * kMinTabHeight}; }

 signals:
  void LetterClicked(char letter);

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  void Place();
  void UpdateScrollButtons();
  QWidget* Panel5_;
  QToolButton* up_;
  QToolButton* down_;
  std::array<TColorButton*, 26> tabs_{};
  tables::LetterCounts counts_{};
  char selected_ = 'A';
  int scroll_ = 0;  // pixels the tabs are moved up
};

}  // namespace quillary
