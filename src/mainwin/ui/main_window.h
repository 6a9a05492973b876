// The main record window: the hub from which every command runs. It owns the
// browsing state (letter, list page, shown record), the edit table through
// which the record form loads and saves, the list page of record buttons,
// the letter tabs, the speed bars, menus, popups and keys. Closing it with
// the close box asks the record form to save, then hides it into the tray or
// ends the program; "Exit" ends the program directly.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "mainwin/list_page.h"
#include "mainwin/ui/record_form.h"
#include "shell/templates.h"
#include "tables/tindex.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;
class QToolButton;
class QVBoxLayout;

namespace quillary {

class RecordTemplates;
class TFormatedButton;
class TLetterTabs;
class TLookup;
class TSortButton;
class TVeltoHeader;

// What the find and replace dialogs drive the window through.
struct SearchCallbacks {
  std::function<void()> GoToFirstLetter;
  std::function<void()> GoToLastLetter;
  // Steps to the next (or previous) letter that has records; false when
  // there is none.
  std::function<bool(bool forward)> StepLetter;
  // Shows the record the browse table stands on and highlights field n
  // (1..17) from `start` for `length` characters.
  std::function<void(int field, int start, int length)> GoToFound;
  std::function<void(bool enabled)> SetWindowEnabled;
  std::function<void()> ReapplyFilter;
};

class TForm3 : public QMainWindow, public RecordFormHost, public tables::LetterTabPanel {
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
  bool DatabaseOpened() const { return databaseOpened_; }
  // A command, or the form's load or save, is running.
  bool IsBusy() const { return Blocked(); }
  void SetKeepInTray(std::function<bool()> keepInTray) { keepInTray_ = std::move(keepInTray); }

  QAction* ExitAction() const { return Exit1_; }
  QAction* TipsAction() const { return Tips1_; }
  QAction* AboutAction() const { return About1_; }

  // ---- browsing state
  char CurrentLetter() const { return currentLetter_; }
  int64_t PageOffset() const { return pageOffset_; }
  int64_t CurrentRecordNo() const { return currentRecordNo_; }
  int64_t CurrentRecordId() const { return currentRecordId_; }
  char CurrentRecordLetter() const { return currentRecordLetter_; }
  int SelectedButton() const { return selectedButton_; }
  QString TemplateName() const { return templateName_; }
  int PageSize() const { return int(buttons_.size()); }
  bool LetterTabsActive() const;
  // Records in the current range.
  int64_t RangeCount();

  // ---- operations other parts use
  void ShowRecord(int64_t i);
  void RefreshListPage();
  void Reload();
  bool SaveBeforeCommand();
  void AfterDataChange();
  void SelectLetter(char letter, bool refresh = true);
  const SearchCallbacks& Callbacks() const { return callbacks_; }

  // ---- commands
  void B_FirstClick();
  void B_PgUpClick();
  void B_PgDnClick();
  void B_LastClick();
  void Previous1Click();
  void Next1Click();
  void MoveToNeighbour(bool forward);
  void B_RSynchroClick();
  void B_NewClick();
  void B_RDeleteClick();
  void B_RCopyClick();
  void B_RPasteClick();
  void B_RUndoClick();
  void B_ExitClick();
  void RecordButtonClick(int k);
  void A_BtnClick(char letter);

  // ---- popups, prepared as opening them would (for the keys and tests)
  QMenu* PrepareRecordButtonPopup(int k);
  QMenu* PrepareRecordFormPopup();
  QMenu* PrepareTemplateMenu();
  QMenu* PrepareTemplateRMenu();
  QMenu* PrepareOptionsPopup();
  // The font choice of "&Font..." (tests replace it); nullopt when cancelled.
  std::function<std::optional<QFont>(const QFont&)> chooseFont;

  // ---- controls
  TRecordForm* RecordForm() const { return form_; }
  TSortButton* SortButton() const { return sortButton_; }
  TVeltoHeader* ListHeader() const { return header_; }
  TLetterTabs* LetterTabs() const { return letterTabs_; }
  TFormatedButton* RecordButton(int k) const { return buttons_.at(size_t(k)); }
  QLabel* StatusLabel() const { return status_; }
  QLabel* RecordNumberLabel() const { return PgR_Lbl_; }
  QLabel* PercentLabel() const { return Perc_Lbl_; }
  QToolButton* TemplateButton() const { return TemplateBtn_; }
  QTabWidget* SpeedBar() const { return PageControl1_; }
  QSplitter* Splitter() const { return splitter_; }
  QWidget* ListPane() const { return Panel1_; }
  QWidget* RightPane() const { return PgRight_; }
  // A command by its control name ("B_New", "B_RDelete", "B_First", ...).
  QAction* Command(const QString& name) const;

  // ---- RecordFormHost
  dbase::Table& EditTable() override { return *edit_; }
  bool NewRecordMode() const override { return newRecordMode_; }
  bool RecordInUse() const override { return recordInUse_; }
  bool ReadOnlyDatabase() const override;
  QString DataFileName() const override;
  char ShownRecordLetter() const override { return newRecordMode_ ? 0 : shownLetter_; }
  void RecordLetterChanged(char oldLetter, char newLetter) override;
  void SetRecordSaved(bool saved) override { recordSaved_ = saved; }

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
  void BuildPopups();
  void ArrangePanes();
  void ApplyMenusAndSpeedBars();
  void ApplyColors();
  void LayoutSpeedBar();
  void LayoutNavigationBar();
  void AdjustRecordButtons();
  void UpdateColumns();
  void ApplyColumnsToButtons();
  void UpdateCaption();
  void UpdateSortCaptions();
  void UpdateLetterTabsState();
  void UpdateEnabledStates();
  void UpdateStatus();
  void OpenEditTable();
  void ReleaseEditRecord();
  // Puts the edit table record into edit state and shows it as number n.
  void DisplayEditRecord(int64_t recordNo);
  void DisplayNewRecord(int64_t count);
  void ShowAt(char letter, int64_t position);
  // The position in the range of the record the edit table just saved.
  int64_t SavedRecordPosition();
  bool SaveRecordForMove();
  bool ConfirmDelete();
  void DeleteShownRecord();
  void DeleteAtPosition(int64_t position);
  void CopyAtPosition(int64_t position);
  void PasteAtPosition(int64_t position);
  void LoadTemplate(const QString& name, bool replace);
  void SaveRecordToTemplate();
  bool CanSaveToTemplate() const;
  void RebuildTemplateMenus();
  // The lookup boxes of the record form: bound to the lists of the current
  // database directory (again after a database switch), unbound at the end.
  void BindLookups();
  void UnbindLookups();
  void FillFieldMenu(QMenu* menu, dbase::Table& table);
  void SetLetterTabsOption(int value);
  void ChangeRecordButtonFont();
  // The window's own keys; with run false only whether it is one.
  bool HandleKey(QKeyEvent* e, bool run);
  void ShowPopupAt(QMenu* menu, QWidget* anchor);
  bool Blocked() const;
  void Guarded(const std::function<void()>& command);

  // State.
  char currentLetter_ = 'A';
  int64_t pageOffset_ = 0;
  int64_t currentRecordNo_ = 0;
  int64_t currentRecordId_ = -1;
  char currentRecordLetter_ = 0;
  char shownLetter_ = 0;  // letter of the shown record as loaded
  bool newRecordMode_ = false;
  bool recordInUse_ = false;
  bool recordSaved_ = false;
  int selectedButton_ = -1;
  QString templateName_ = TRecordTemplateList::kBlank;
  bool databaseOpened_ = false;
  bool constructing_ = true;
  bool ending_ = false;
  bool savedForEnd_ = false;
  bool shownOnce_ = false;
  bool hiddenSinceShow_ = false;
  bool savingToBuffer_ = false;
  int busy_ = 0;
  int paneWidth_ = 0;

  std::unique_ptr<dbase::Table> edit_;
  std::vector<ListColumn> columns_;
  TRecordTemplateList templates_;
  std::unique_ptr<RecordTemplates> recTemplates_;
  std::vector<QPointer<TLookup>> lookups_;
  SearchCallbacks callbacks_;
  std::function<bool()> keepInTray_;

  // Controls.
  QTabWidget* PageControl1_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QWidget* Panel1_ = nullptr;
  QWidget* PgRight_ = nullptr;
  QWidget* leftBox_ = nullptr;
  QWidget* rightBox_ = nullptr;
  QVBoxLayout* centralLayout_ = nullptr;
  TVeltoHeader* header_ = nullptr;
  TSortButton* sortButton_ = nullptr;
  QWidget* buttonsArea_ = nullptr;
  std::vector<TFormatedButton*> buttons_;
  QWidget* Panel6_ = nullptr;
  TLetterTabs* letterTabs_ = nullptr;
  TRecordForm* form_ = nullptr;
  QWidget* Panel2_ = nullptr;
  QLabel* PgR_Lbl_ = nullptr;
  QLabel* Perc_Lbl_ = nullptr;
  QLabel* status_ = nullptr;
  QToolButton* TemplateBtn_ = nullptr;
  std::vector<QToolButton*> speedButtons_[2];
  std::vector<QToolButton*> navButtons_;

  // Actions by control name.
  std::vector<std::pair<QString, QAction*>> commands_;
  QAction* Exit1_ = nullptr;
  QAction* Tips1_ = nullptr;
  QAction* About1_ = nullptr;

  // Popups.
  QMenu* PopupMenu1_ = nullptr;  // record buttons
  QMenu* PopupMenu2_ = nullptr;  // options
  QMenu* PopupMenu3_ = nullptr;  // record form
  QMenu* TemplateMenu_ = nullptr;
  QMenu* TemplateRMenu_ = nullptr;
  int popupButton_ = 0;
};

}  // namespace quillary
