// The record form: the right-hand pane of the main window, a page control
// with the pages "Part 1" .. "Part 4" holding the 17 field labels and field
// editors, bound to the record table by position (field number n is table
// position n + 1). Each editor is a FormFieldEditor (editors/field_editors.h);
// values move between them and the table through the RecordSaver.
//
// How the main window uses it:
//   1. Implement RecordFormHost (the edit table, the record state, the open
//      data file and the "just saved" mark) and construct the form with it:
//        form_ = new TRecordForm(this, rightPane);
//      Optionally SetLookupFactory(...) before BuildForm() to put the real
//      lookup boxes in place of the plain combo boxes.
//   2. Call BuildForm() once while the window is constructed, then
//      ApplyLabels(), ApplyDateFormats(), ApplyFonts() and ApplyColors()
//      (again each time the window is shown and after the options dialog),
//      and ReadPageOrder() once the database is open (and after a database
//      switch; WritePageOrder() before a switch and at teardown).
//   3. ShowRecord: LoadFields(editTable) or, in new-record mode,
//      ClearFields(); then SetEditorsState(!readOnly && !recordInUse).
//      Record templates and paste: LoadFields(copyBuffer, true/false).
//      Every move to another record and every command: SaveCurrentRecord();
//      it calls host.SetRecordSaved(true) when it saved or discarded, so the
//      following ShowRecord need not save again.
//   4. RefreshListPage: ClearHighlight(). Find dialog: HighlightField().
//   5. Alt+1 .. Alt+9: ShowPage(k - 1) (does nothing past the last page).
//   6. Connect LabelsChanged() to the list header and sort button refresh,
//      DateFormatsChanged() to RefreshListPage, Modified() to whatever
//      tracks unsaved edits, and EditorFocused(n) for the status hints.
//   7. Busy() is true while the form loads or saves; the window must not
//      start a record command then (the event pump lets the window paint
//      between fields, but passes on no input).
#pragma once

#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "mainwin/record_saver.h"
#include "mainwin/ui/editors/field_editors.h"

namespace quillary::dbase {
class Table;
}

class QLabel;
class QMenu;
class QTabWidget;

namespace quillary {

class TEditMenu;
class TDateEdit;

class TRecordForm : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kFieldCount = 17;
  static constexpr int kMaxSaveAttempts = RecordSaver::kMaxSaveAttempts;

  explicit TRecordForm(RecordFormHost& host, QWidget* parent = nullptr);
  ~TRecordForm() override;

  // Before BuildForm: the maker of the five lookup editors.
  void SetLookupFactory(LookupFactory factory);

  // Assembles the pages, editors, labels, popups and lists; once.
  void BuildForm();
  // Every label from the label list; then LabelsChanged().
  void ApplyLabels();
  // Every date editor its format from the date format list.
  void ApplyDateFormats();
  // LineEditFont for one-line editors and lookups, MemoEditFont for memos.
  void ApplyFonts();
  // The default editor colours (or the system colours while disabled).
  void ApplyColors();

  // Shows the current record of `table` in the editors. fromTemplate: a
  // stored date of the template date marker becomes today.
  void LoadFields(dbase::Table& table, bool fromTemplate = false);
  // Writes the editors into the current record of `table` and posts it,
  // with retries; false when it could not be saved.
  bool SaveFields(dbase::Table& table);
  void ClearFields();
  bool IsFormBlank() const;
  // The save-before-leaving rule; true when the caller may go on.
  bool SaveCurrentRecord();
  // The same where no one can answer (termination signal, session end,
  // "Terminate"): nothing is asked or shown. A date editor holding no valid
  // date leaves its field as stored while the other fields are saved; a
  // record that cannot be saved at all is left as stored. True when it was
  // saved (or needed no saving).
  bool SaveCurrentRecordUnattended();
  // Every date editor's own check; false when one refused (it said
  // "Invalid Date!" and has the focus).
  bool CheckDates();

  // The page order file in SettingsDir ("data.tab" for "data.dbf").
  QString PageOrderFile() const;
  void ReadPageOrder();
  void WritePageOrder() const;
  // "1234" for the design order.
  QString PageOrder() const;

  // Shows page `index` (0-based) of the current order; nothing past the end.
  void ShowPage(int index);
  int PageCount() const;
  QTabWidget* Pages() const { return pages_; }

  // Shows field n's page, focuses its editor unless the record is in use,
  // colours it red with yellow text until ClearHighlight(), and for a memo
  // selects `length` characters from `start`.
  void HighlightField(int n, int start, int length);
  void ClearHighlight();

  // Enabled (read/write) or disabled in the system's grey colours
  // (read-only database, record in use).
  void SetEditorsState(bool enabled);
  bool EditorsEnabled() const { return editorsEnabled_; }

  // Field n (1..17) access for the capture, paste and find functions.
  QWidget* Editor(int n) const;
  QLabel* Label(int n) const;
  QString FieldText(int n) const;
  void SetFieldText(int n, const QString& text);
  // Focuses the first editor of the current page that accepts the focus.
  void FocusFirstEditor();

  // True while loading or saving.
  bool Busy() const { return saver_.Busy(); }

  // Replaceable for tests and for the colour and font dialogs: picks a new
  // font starting from the given one; nullopt when cancelled.
  using FontChooser = std::function<std::optional<QFont>(const QFont& initial)>;
  void SetFontChooser(FontChooser chooser) { fontChooser_ = std::move(chooser); }
  // Picks a label template's content file name; nullopt or empty when
  // cancelled. The default runs TLoadLabelsDlg.
  using LabelTemplateChooser = std::function<std::optional<QString>()>;
  void SetLabelTemplateChooser(LabelTemplateChooser chooser) {
    labelTemplateChooser_ = std::move(chooser);
  }

  // The label popup of the label under the click (for tests: the menu of
  // label n, prepared as a click on it would).
  QMenu* LabelPopup() const { return labelMenu_; }
  int PopupLabel() const { return popupLabel_; }
  void OpenLabelPopup(int n, const QPoint& globalPos);
  void ChangeLabelText(int n);
  void LoadLabelsFromTemplate();
  void SaveLabelsAsTemplate();

 signals:
  // The label texts changed: the list header and the sort button pick up
  // the new names.
  void LabelsChanged();
  // A date editor's format changed (date.dat saved): refresh the list page.
  void DateFormatsChanged();
  // The user changed an editor's value.
  void Modified();
  // An editor received the focus.
  void EditorFocused(int n);
  // "C&olor..." of an editor popup (colour schemes come later).
  void ColorRequested(QWidget* editor);
  // "&Edit List..." of a lookup's popup.
  void EditListRequested(int listNo);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Slot;
  void BuildPage(int page);
  const Slot* SlotOf(int n) const;
  const Slot* SlotHolding(const QWidget* widget) const;
  bool FocusStep(QWidget* from, bool forward);
  bool AcceptsFocus(int n) const;
  int PageOfField(int n) const;
  void ChangeFontOf(QWidget* editor);
  void RememberDateFormat(TDateEdit* editor, int index);
  void CommitFocusedLookup();
  void MovePageByDrag(int from, int to);

  RecordFormHost& host_;
  RecordSaver saver_;
  LookupFactory lookupFactory_;
  QTabWidget* pages_ = nullptr;
  std::vector<std::unique_ptr<Slot>> slots_;  // by field number - 1
  std::vector<QPointer<TDateEdit>> dateEditors_;
  std::vector<int> editorsPerPage_;
  TEditMenu* textMenu_ = nullptr;
  TEditMenu* listMenu_ = nullptr;
  QMenu* labelMenu_ = nullptr;
  int popupLabel_ = 0;
  int highlighted_ = 0;
  bool built_ = false;
  bool editorsEnabled_ = true;
  FontChooser fontChooser_;
  LabelTemplateChooser labelTemplateChooser_;
  int dragFrom_ = -1;
};

}  // namespace quillary
