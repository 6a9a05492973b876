// "Edit Lists": adding, changing and deleting the items of the lookup lists,
// and filling every list from the values of the open database.
#pragma once

#include <QDialog>
#include <vector>

#include "platform/dbase/table.h"
#include "tables/lookup_list.h"

class QButtonGroup;
class QRadioButton;
class QPushButton;
class QTableWidget;

namespace quillary {

class TEditListsDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kHelpTopic = 65;
  // `lists`: the lookup fields in the order the radio group shows them, each
  // captioned with its field's label; `first` the list selected at the start.
  explicit TEditListsDlg(std::vector<tables::ListField> lists, int first = 0,
                         QWidget* parent = nullptr);
  ~TEditListsDlg() override;

  // Runs the dialog; afterwards every list is packed and every lookup
  // control reloads its items.
  static void Execute(std::vector<tables::ListField> lists, int first = 0, QWidget* parent = nullptr);
  // The lookup fields of the record table (positions 4, 5, 8, 14, 15 with
  // "list1.dbf" .. "list5.dbf").
  static std::vector<tables::ListField> RecordTableLists();
  // "&Edit List..." of a lookup's popup: the dialog over the record table's
  // lists, started on the list `file` names (letter case ignored).
  static void ExecuteFor(const QString& file, QWidget* parent = nullptr);

  int CurrentList() const { return current_; }
  void SelectList(int index);
  QStringList ShownItems() const;
  void SelectItem(const QString& text);

  QRadioButton* ListButton(int index) const;
  QTableWidget* Grid() const { return grid_; }
  QPushButton* NewBtn() const { return new_; }
  QPushButton* EditBtn() const { return edit_; }
  QPushButton* DeleteBtn() const { return delete_; }
  QPushButton* UpdateBtn() const { return update_; }
  QPushButton* CloseBtn() const { return close_; }
  QPushButton* HelpBtn() const { return help_; }

 protected:
  void done(int result) override;

 private:
  void Refresh(const QString& select = QString());
  bool GotoSelected();
  void StoreItem(bool append, const QString& text, const QString& failure);
  void NewClick();
  void EditClick();
  void DeleteClick();
  void UpdateClick();
  void PackLists();

  std::vector<tables::ListField> lists_;
  dbase::Table table_;
  std::vector<dbase::RecNo> recnos_;  // the record of each grid row
  int current_ = -1;
  QButtonGroup* group_;
  QTableWidget* grid_;
  QPushButton* new_;
  QPushButton* edit_;
  QPushButton* delete_;
  QPushButton* update_;
  QPushButton* close_;
  QPushButton* help_;
  bool packed_ = false;
};

}  // namespace quillary
