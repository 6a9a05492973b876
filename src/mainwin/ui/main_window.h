// The main record window: the hub from which every command runs. It lays
// out the list page of record buttons, the letter tabs, the record form,
// speed bars and menus, renders what the browsing state says, takes the keys
// of its keys table and runs the commands subsystems contribute. Closing it
// with the close box asks the record form to save, then hides it into the
// tray or ends the program; "Exit" ends the program directly.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "mainwin/browser.h"
#include "mainwin/hub.h"
#include "mainwin/key_table.h"
#include "mainwin/list_page.h"
#include "mainwin/ui/record_button_list.h"
#include "mainwin/ui/record_form.h"
#include "mainwin/ui/speed_bars.h"
#include "tables/tindex.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;
class QToolButton;
class QVBoxLayout;

namespace quillary {

class TFormatedButton;
class TLetterTabs;
class TLookupCommands;
class TRecordCommands;
class TRecordTemplateCommands;
class TViewOptionsCommands;
class TSortButton;
class TVeltoHeader;

class TForm3 : public QMainWindow, public RecordFormHost, public tables::LetterTabPanel, public Hub {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr);
  ~TForm3() override;

  // ---- start-up and ending
  // The record form's save-before-leaving rule; false when the user chose
  // to stay.
  virtual bool SaveCurrentRecord();
  // The same where no one can answer a question (a termination signal, the
  // desktop session ending without interaction): the record is saved
  // without asking, and a record that cannot be saved is left as stored.
  void SaveCurrentRecordUnattended();
  // Runs when the program ends, before the window is destroyed: saves the
  // shown record unless that was done, writes the window's settings files,
  // saves the sort and closes the database.
  virtual void Teardown();
  bool DatabaseOpened() const override { return databaseOpened_; }
  bool IsBusy() const override { return Blocked(); }
  void SetKeepInTray(std::function<bool()> keepInTray) { keepInTray_ = std::move(keepInTray); }

  QAction* ExitAction() const { return Exit1_; }
  QAction* TipsAction() const { return Tips1_; }
  QAction* AboutAction() const { return About1_; }

  // ---- browsing state
  char CurrentLetter() const { return browser_->CurrentLetter(); }
  int64_t PageOffset() const { return browser_->PageOffset(); }
  int64_t CurrentRecordNo() const { return browser_->RecordNo(); }
  char CurrentRecordLetter() const { return browser_->RecordLetter(); }
  int SelectedButton() const { return browser_->SelectedButton(); }
  QString TemplateName() const;
  int PageSize() const { return buttons_ ? buttons_->Count() : 0; }
  bool LetterTabsActive() const { return browser_->LetterTabsActive(); }
  // Records in the current range.
  int64_t RangeCount() { return browser_->RangeCount(); }

  // ---- operations other parts use (and the hub's)
  void ShowRecord(int64_t i);
  void RefreshListPage();
  void Reload() override;
  bool SaveBeforeCommand() override;
  void AfterDataChange() override;
  void SelectLetter(char letter, bool refresh = true);
  const SearchCallbacks& Callbacks() const override { return callbacks_; }
  tables::CurrentDatabase& Database() override;
  void Guarded(const std::function<void()>& command) override;
  std::unique_ptr<WorkScope> BeginWork(const QString& progressCaption = {}, int maximum = 0) override;
  void AddCommand(HubCommand command) override;
  void RunCommand(const QString& name) override;
  bool CommandEnabled(const QString& name) const override;
  void UpdateCommands() override;
  Browser& Browsing() override { return *browser_; }
  void RunMove(const std::function<Show()>& move) override;
  void SetTrayMode(std::function<bool()> keepInTray, std::function<void()> hiddenToTray) override;

  // ---- commands
  void B_FirstClick();
  void B_PgUpClick();
  void B_PgDnClick();
  void B_LastClick();
  void Previous1Click();
  void Next1Click();
  void MoveToNeighbour(bool forward);
  void B_ExitClick();
  void RecordButtonClick(int k);
  void A_BtnClick(char letter);

  // ---- the commands' owners: record commands with the record-button and
  // record form popups, the options popup, record templates
  TRecordCommands* RecordCommands() const { return records_.get(); }
  TViewOptionsCommands* ViewOptions() const { return viewOptions_.get(); }
  QMenu* PrepareTemplateMenu();
  QMenu* PrepareTemplateRMenu();
  const KeyTable& Keys() const { return keys_; }

  // ---- controls
  TRecordForm* RecordForm() const { return form_; }
  TSortButton* SortButton() const { return sortButton_; }
  TVeltoHeader* ListHeader() const { return header_; }
  TLetterTabs* LetterTabs() const { return letterTabs_; }
  TFormatedButton* RecordButton(int k) const { return buttons_->Button(k); }
  QLabel* StatusLabel() const { return status_; }
  QLabel* RecordNumberLabel() const { return PgR_Lbl_; }
  QLabel* PercentLabel() const { return Perc_Lbl_; }
  QToolButton* TemplateButton() const;
  QTabWidget* SpeedBar() const { return PageControl1_; }
  QSplitter* Splitter() const { return splitter_; }
  QWidget* ListPane() const { return Panel1_; }
  QWidget* RightPane() const { return PgRight_; }
  // A command by its control name ("B_New", "B_RDelete", "B_First", ...).
  QAction* Command(const QString& name) const;

  // ---- RecordFormHost (and the hub)
  dbase::Table& EditTable() override { return browser_->EditTable(); }
  bool NewRecordMode() const override { return browser_->NewRecordMode(); }
  bool RecordInUse() const override { return browser_->RecordInUse(); }
  bool ReadOnlyDatabase() const override;
  QString DataFileName() const override;
  char ShownRecordLetter() const override { return browser_->NewRecordMode() ? 0 : browser_->ShownLetter(); }
  void RecordLetterChanged(char oldLetter, char newLetter) override;
  void SetRecordSaved(bool saved) override { browser_->SetRecordSaved(saved); }

  // ---- LetterTabPanel
  void RedrawLetter(char letter) override;

 signals:
  // The close box hid the window and the program stays in the tray.
  void HiddenToTray();
  // The program must end: "Exit", or the close box without tray mode.
  void ExitRequested();
  void TipsRequested();
  void AboutRequested();

 protected:
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class Busy;
  void BuildActions();
  void BuildMenus();
  void BuildSpeedBar();
  void BuildListPane();
  void BuildRightPane();
  void ArrangePanes();
  void ApplyMenusAndSpeedBars();
  void ApplyColors();
  void AdjustRecordButtons();
  void UpdateColumns();
  void ApplyColumnsToButtons();
  void UpdateCaption();
  void UpdateSortCaptions();
  void UpdateLetterTabsState();
  void UpdateEnabledStates();
  void UpdateStatus();
  // Shows what a browsing command left: the form, the labels, the list.
  void Render(Show s);
  // A contributed command: after the save, if its rule lets it.
  void RunContributed(size_t index);
  // A key of the keys table; with run false only whether it is one.
  bool HandleKey(QKeyEvent* e, bool run);
  void RunKey(const KeyBinding& binding);
  void OpenPopup(const QString& name);
  bool Blocked() const;

  // State.
  std::unique_ptr<Browser> browser_;
  bool databaseOpened_ = false;
  bool constructing_ = true;
  bool ending_ = false;
  bool savedForEnd_ = false;
  bool shownOnce_ = false;
  bool hiddenSinceShow_ = false;
  int busy_ = 0;
  int paneWidth_ = 0;

  std::vector<ListColumn> columns_;
  KeyTable keys_ = KeyTable::Window();
  std::unique_ptr<TViewOptionsCommands> viewOptions_;
  std::unique_ptr<TRecordTemplateCommands> templates_;
  std::unique_ptr<TLookupCommands> lookups_;
  std::unique_ptr<TRecordCommands> records_;
  SearchCallbacks callbacks_;
  std::function<bool()> keepInTray_;
  std::vector<HubCommand> contributed_;

  // Controls.
  TSpeedBar* PageControl1_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QWidget* Panel1_ = nullptr;
  QWidget* PgRight_ = nullptr;
  QWidget* leftBox_ = nullptr;
  QWidget* rightBox_ = nullptr;
  QVBoxLayout* centralLayout_ = nullptr;
  TVeltoHeader* header_ = nullptr;
  TSortButton* sortButton_ = nullptr;
  TRecordButtonList* buttons_ = nullptr;
  QWidget* Panel6_ = nullptr;
  TLetterTabs* letterTabs_ = nullptr;
  TRecordForm* form_ = nullptr;
  QWidget* Panel2_ = nullptr;
  QLabel* PgR_Lbl_ = nullptr;
  QLabel* Perc_Lbl_ = nullptr;
  QLabel* status_ = nullptr;

  // Actions by control name.
  std::vector<std::pair<QString, QAction*>> commands_;
  QAction* Exit1_ = nullptr;
  QAction* Tips1_ = nullptr;
  QAction* About1_ = nullptr;
};

}  // namespace quillary
