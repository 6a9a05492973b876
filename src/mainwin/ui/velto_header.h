// The list header above the record buttons: a bar of sections painted in
// the style's header look, resized by their borders, reordered by dragging,
// and edited through its popup (columns and header templates).
#pragma once

#include <QWidget>
#include <functional>

#include "mainwin/list_header.h"
#include "tables/field_kinds.h"

class QMenu;
class QAction;
class QPainter;
class QStyleOptionHeader;

namespace quillary {

class THeaderTemplateList;

class TVeltoHeader : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kHelpTopic = 104;
  // Presses this close to a section border resize; further in they drag.
  static constexpr int kBorderZone = 4;
  static constexpr const char* kHint = "Left Click - Change Order;  Right Click - Menu";

  // The header reads and writes its templates through `templates` (the
  // process-wide header template list unless told otherwise).
  explicit TVeltoHeader(QWidget* parent = nullptr, THeaderTemplateList* templates = nullptr);
  ~TVeltoHeader() override;

  TListHeader& Header() { return header_; }
  const TListHeader& Header() const { return header_; }
  QRect SectionRect(int index) const;

  // The header's interface to the main window; each repaints, LoadHeader
  // and RenameSections without notifying. The default columns LoadHeader
  // falls back to share the header's width at its first show.
  bool LoadHeader(const QString& file);
  bool SaveHeader(const QString& file) const { return header_.SaveHeader(file); }
  void RenameSections();
  // Takes the current width as the bar width, recomputes, emits HChange().
  void Recompute();

  // Memo and picture fields of the open table, which "&Insert New Field"
  // never offers. Until set, those of the shipped record layout.
  void SetFieldKinds(const tables::FieldKindSets& kinds) { kinds_ = kinds; }

  // The popup; its submenus are rebuilt each time it opens. ShowPopup()
  // opens it below the header's left end (F5 in the main window).
  QMenu* PopupMenu() const { return popup_; }
  void ShowPopup();
  void ShowPopupAt(const QPoint& globalPos);

  // Where "&Help" goes; empty restores the help viewer. For tests.
  static void SetHelpHandler(std::function<void(int topic)> handler);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // Sections changed: the record buttons need new cells.
  void HChange();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  enum class Mode { None, Resizing, Dragging };
  // The section whose right border lies within the zone of x (the nearest;
  // of equal ones the last, so a section of width 0 can be widened again).
  int BorderAt(int x) const;
  // The section x lies in, further than the zone from both its borders.
  int DragSectionAt(int x) const;
  void DrawSection(QPainter& p, const QStyleOptionHeader& opt) const;
  void UpdateCursor(const QPoint& pos);
  void CancelDrag();
  void BuildPopup();
  void RebuildPopup();
  static QString MenuText(QString text);

  TListHeader header_;
  tables::FieldKindSets kinds_;
  Mode mode_ = Mode::None;
  int active_ = -1;      // section being resized or dragged
  int grip_ = 0;         // press offset from the resized section's border
  int dropX_ = -1;       // pointer x while dragging, -1 outside the header
  bool shownOnce_ = false;

  QMenu* popup_;
  QMenu* insertMenu_;
  QMenu* removeMenu_;
  QMenu* loadMenu_;
  QMenu* deleteMenu_;
  QAction* saveAction_;
  QAction* helpAction_;
};

// The memo and picture fields of the shipped record layout.
tables::FieldKindSets ShippedFieldKinds();

}  // namespace quillary
