// "Save Record As Template": choosing or naming the record template the
// current record is saved into, which of its date fields stand for the day of
// use, and deleting templates. A thin view over RecordTemplates.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "mainwin/record_templates.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quillary {

class TRecordTemplateForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kHelpTopic = 100;
  explicit TRecordTemplateForm(RecordTemplates& templates, QWidget* parent = nullptr);

  // After "&OK": the chosen template and the date fields checked.
  int TemplateIndex() const { return index_; }
  std::vector<int> CheckedDateFields() const;

  QListWidget* TemplateList() const { return list_; }
  QLineEdit* NameEdit() const { return name_; }
  QPushButton* OkBtn() const { return ok_; }
  QPushButton* CancelBtn() const { return cancel_; }
  QPushButton* DeleteBtn() const { return delete_; }
  QPushButton* HelpBtn() const { return help_; }
  // One box per date field, in field order; with its field position.
  const std::vector<std::pair<int, QCheckBox*>>& DateBoxes() const { return boxes_; }

 private:
  void Fill();
  void SelectionChanged();
  void Pick(int row);  // double click on a template
  void OkClick();
  void DeleteClick();

  RecordTemplates& templates_;
  std::vector<std::pair<int, QCheckBox*>> boxes_;
  QListWidget* list_;
  QLineEdit* name_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QPushButton* delete_;
  QPushButton* help_;
  int index_ = TRecordTemplateList::kNotFound;
};

// "&Save Record To Template" from the dialog to the stored record: on "&OK"
// the record form's editors go into the template's record through
// `saveEditors` with the checked dates set to the marker. records.tml is
// saved either way (templates may have been deleted meanwhile); the caller
// rebuilds its template menus afterwards. True when a record was stored.
bool SaveRecordAsTemplate(RecordTemplates& templates,
                          const std::function<bool(dbase::Table&)>& saveEditors,
                          QWidget* parent = nullptr);

}  // namespace quillary
