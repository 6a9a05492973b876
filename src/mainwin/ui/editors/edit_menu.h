// The edit popup menu shared by the record form's plain one-line edits, memos
// and lookups: text actions on the control it opened for, file load and save
// for memos, and font, colour and list requests passed to the owner.
#pragma once

#include <QMenu>
#include <QPointer>
#include <functional>

class QLineEdit;
class QPlainTextEdit;

namespace quillary {

class TEditMenu : public QMenu {
  Q_OBJECT
 public:
  // The lookup variant adds "&Edit List..." and "Auto-F&ill" before the last
  // two items and hides "&Undo" and the first separator.
  enum class Variant { Text, Lookup };
  explicit TEditMenu(Variant variant = Variant::Text, QWidget* parent = nullptr);

  // Gives the control the focus and sets which items show and are enabled;
  // PopupFor then opens the menu at a screen position.
  void Prepare(QWidget* control);
  void PopupFor(QWidget* control, const QPoint& globalPos);
  QWidget* Control() const { return control_; }

  // Memo file actions, also run by the menu items.
  bool LoadMemo(const QString& path);
  bool SaveMemo(const QString& path);

  QAction* Undo1 = nullptr;
  QAction* Sep1 = nullptr;
  QAction* Cut1 = nullptr;
  QAction* Copy1 = nullptr;
  QAction* Paste1 = nullptr;
  QAction* Delete1 = nullptr;
  QAction* Sep2 = nullptr;
  QAction* SelectAll1 = nullptr;
  QAction* Sep3 = nullptr;
  QAction* Load1 = nullptr;
  QAction* Save1 = nullptr;
  QAction* Sep4 = nullptr;
  QAction* Font1 = nullptr;
  QAction* Color1 = nullptr;
  QAction* EditList1 = nullptr;  // lookup variant only
  QAction* AutoFill1 = nullptr;  // lookup variant only
  QAction* Sep5 = nullptr;
  QAction* Help1 = nullptr;

 signals:
  void FontRequested(QWidget* control);
  void ColorRequested(QWidget* control);
  void EditListRequested(QWidget* control);

 private:
  void RunOnText(const std::function<void(QLineEdit*)>& line,
                 const std::function<void(QPlainTextEdit*)>& memo);
  void LoadClick();
  void SaveClick();

  Variant variant_;
  QPointer<QWidget> control_;
};

}  // namespace quillary
