// The picture control of the record form: a scrolling picture with a tool bar
// and a popup (clear, load, save, copy, paste, screen capture, print, scan,
// full screen, auto stretch), and its binding to a picture field, which
// stores pictures as PNG and reads any picture format by content.
#pragma once

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QWidget>

#include "mainwin/picture_field.h"

class QLabel;
class QPrinter;
class QScrollArea;
class QToolButton;

namespace quillary {

class TMultiImgControl : public QWidget {
  Q_OBJECT
 public:
  explicit TMultiImgControl(QWidget* parent = nullptr);
  QSize sizeHint() const override { return {210, 200}; }

  const QImage& Picture() const { return picture_; }
  bool IsEmpty() const { return picture_.isNull(); }
  // Puts a picture in and marks it changed.
  void SetPicture(const QImage& picture);
  QString FileName() const { return fileName_; }
  bool IsChanged() const { return changed_; }
  bool IsLoadedFromFile() const { return loadedFromFile_; }

  // Read-only keeps the control enabled for viewing; the changing actions go.
  void SetReadOnly(bool readOnly);
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  // The tool bar shows when enabled for the control, not hidden by the user,
  // and the control is at least 210 pixels wide.
  void SetToolBarEnabled(bool enabled);
  void SetToolBarHidden(bool hidden);
  bool ToolBarShown() const;
  QWidget* ToolBar() const { return toolBar_; }

  bool AutoStretch() const { return autoStretch_; }
  void SetAutoStretch(bool on);
  // The size the picture is shown at now.
  QSize ShownSize() const;

  // The actions, also run by the tool bar and the popup.
  void Clear();
  bool LoadFromFile(const QString& path);
  // Writes the format the extension names; false and nothing written otherwise.
  bool SaveToFile(const QString& path);
  void LoadDialog();
  void SaveDialog();
  void Copy();
  bool Paste();
  void ScreenCapture();
  // The screen capture's end: the rectangle of a snapshot goes through the
  // clipboard into the picture. An empty rectangle shows the error.
  bool TakeCapture(const QPixmap& snapshot, const QRect& rect);
  void Print();
  void PrintTo(QPrinter& printer);
  void Scan();
  void SelectScanner();
  void FullScreen();

  QMenu* Popup() const { return popup_; }
  // Sets the popup items' states as opening it does.
  void PreparePopup();
  QAction* Clear1 = nullptr;
  QAction* Load1 = nullptr;
  QAction* Save1 = nullptr;
  QAction* Copy1 = nullptr;
  QAction* Paste1 = nullptr;
  QAction* Capture1 = nullptr;
  QAction* Print1 = nullptr;
  QAction* Scan1 = nullptr;
  QAction* SelectScanner1 = nullptr;
  QAction* FullScreen1 = nullptr;
  QAction* AutoStretch1 = nullptr;
  QAction* ToolBar1 = nullptr;
  QAction* Help1 = nullptr;
  QToolButton* ToolButton(int index) const;  // 0 "Clear" .. 9 "Auto Stretch"

 signals:
  // The user changed the picture.
  void Changed();

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

  void ResetMarks() { changed_ = loadedFromFile_ = false; }
  void ShowPicture(const QImage& picture);  // no marks changed

 private:
  void MarkChanged();
  void UpdateView();
  void UpdateToolBar();
  void UpdateReadOnly();

  QScrollArea* area_;
  QLabel* view_;
  QWidget* toolBar_;
  QList<QToolButton*> tools_;
  QMenu* popup_;
  QImage picture_;
  QString fileName_;
  bool changed_ = false;
  bool loadedFromFile_ = false;
  bool readOnly_ = false;
  bool autoStretch_ = false;
  bool toolBarEnabled_ = true;
  bool toolBarHidden_ = false;
  int tag_ = 0;
};

// A picture control bound to a picture field.
class TDbMultiImgControl : public TMultiImgControl {
  Q_OBJECT
 public:
  explicit TDbMultiImgControl(QWidget* parent = nullptr);
  // Shows the field's picture (any readable format), or an empty picture for a
  // null field; the owner window is disabled meanwhile.
  void LoadFromField(const PictureField& field);
  // An empty picture clears the field; otherwise the picture is written as PNG
  // only when changed or loaded from a file since it was read from the field.
  void SaveToField(PictureField& field);
};

}  // namespace quillary
