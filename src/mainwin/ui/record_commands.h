// The record commands of the main window: New, Delete, Copy, Paste, Undo
// and Synchronize on the shown record (record speed bar, keys), the
// record-button popup with Copy, Paste and Delete on any record of the list
// page, and the record form's popup.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

class QMenu;
class QWidget;

namespace quillary {

namespace dbase {
class Table;
}

class Hub;
class TRecordForm;
class TRecordTemplateCommands;
class TViewOptionsCommands;

class TRecordCommands : public QObject {
  Q_OBJECT
 public:
  TRecordCommands(Hub& hub, TRecordForm& form, TRecordTemplateCommands& templates, TViewOptionsCommands& view,
                  QWidget* window);

  // The popups, prepared as opening them would; `k` is the record button.
  QMenu* PrepareRecordButtonPopup(int k);
  QMenu* PrepareRecordFormPopup();

  // The commands on the shown record; each does nothing while its rule
  // disables it.
  void New();
  void Delete();
  void Copy();
  void Paste();
  void Undo();
  void Synchronize();

 private:
  void Contribute();
  // The shown record may not change: a read-only database, or a record
  // another copy holds.
  bool Locked() const;
  bool PasteEnabled() const;
  void DeleteShown();
  void CopyAt(int64_t position);
  void PasteAt(int64_t position);
  void DeleteAt(int64_t position);
  void FillFieldMenu(QMenu* menu, dbase::Table& table);

  Hub& hub_;
  TRecordForm& form_;
  TRecordTemplateCommands& templates_;
  TViewOptionsCommands& view_;
  QMenu* buttonPopup_;
  QMenu* formPopup_;
};

}  // namespace quillary
