// The "Maintenance Log" window: a read-only list of the log's entries in
// which the user may delete selected rows or all of them. It exists for the
// whole run and is shown modally when the maintenance dialog asks for it.
#pragma once

#include <QDialog>

class QPushButton;
class QTreeWidget;

namespace quillary {

class TMaintenanceLog;

class TLogForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kHelpTopic = 131;

  // Shows `log`, the process-wide log unless told otherwise. The newest form
  // becomes the one ShowMaintenanceLog() opens.
  explicit TLogForm(QWidget* parent = nullptr);
  TLogForm(TMaintenanceLog& log, QWidget* parent = nullptr);
  ~TLogForm() override;

  // Refills the list from the log; done each time the window is shown.
  void Refresh();

  QTreeWidget* Log_Lst() const { return Log_Lst_; }
  QPushButton* OKBtn() const { return OKBtn_; }
  QPushButton* DeleteBtn() const { return DeleteBtn_; }
  QPushButton* ClearBtn() const { return ClearBtn_; }
  QPushButton* HelpBtn() const { return HelpBtn_; }

  static TLogForm* Instance();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void DeleteBtnClick();
  void ClearBtnClick();

  TMaintenanceLog& log_;
  QTreeWidget* Log_Lst_;
  QPushButton* OKBtn_;
  QPushButton* DeleteBtn_;
  QPushButton* ClearBtn_;
  QPushButton* HelpBtn_;
};

// Shows the log window modally (the maintenance dialog's "Display &Log"):
// the one created at start, or a passing one when there is none.
void ShowMaintenanceLog(QWidget* parent = nullptr);

}  // namespace quillary
