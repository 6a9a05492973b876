// "Load Labels From Template": picks a label template (and may delete one)
// for the record form, which then reads the chosen content file through the
// label template list.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

namespace quillary {

class TLabelTemplateList;

class TLoadLabelsDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kHelpTopic = 100;

  explicit TLoadLabelsDlg(QWidget* parent = nullptr);
  TLoadLabelsDlg(TLabelTemplateList& list, QWidget* parent = nullptr);

  // The selected template's content file name; empty when the list is empty.
  QString SelectedFileName() const;

  // Runs the dialog over the process-wide label templates: the chosen
  // content file name, or empty when cancelled or there is none.
  static QString Execute(QWidget* parent = nullptr);

  QListWidget* Templates_Lst() const { return Templates_Lst_; }
  QPushButton* OKBtn() const { return OKBtn_; }
  QPushButton* CancelBtn() const { return CancelBtn_; }
  QPushButton* DeleteBtn() const { return DeleteBtn_; }
  QPushButton* HelpBtn() const { return HelpBtn_; }

 private:
  void Fill(int select);
  void DeleteBtnClick();

  TLabelTemplateList& list_;
  QListWidget* Templates_Lst_;
  QPushButton* OKBtn_;
  QPushButton* CancelBtn_;
  QPushButton* DeleteBtn_;
  QPushButton* HelpBtn_;
};

}  // namespace quillary
