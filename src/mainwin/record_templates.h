// Record templates: named records of the copy buffer table that prefill new
// records. The names live in records.tml (TRecordTemplateList), template k is
// the record at position k + 1 of the copy buffer table, and a date field
// holding the template date marker stands for the day the template is used.
// This is what the "Save Record As Template" dialog and the main window's
// template commands are built on; Qt Core and the record store only.
#pragma once

#include <QDate>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "platform/dbase/table.h"
#include "shell/templates.h"

namespace quillary {

// Day 1.0 of the old date serial numbers: December 31, 1899.
inline constexpr dbase::Date kTemplateDateMarker{std::chrono::year(1899), std::chrono::December,
                                                 std::chrono::day(31)};
inline bool IsTemplateDateMarker(const std::optional<dbase::Date>& date) {
  return date && *date == kTemplateDateMarker;
}
// The value a template's date field gives a new record: the marker becomes
// `today`, any other value stays.
std::optional<dbase::Date> TemplateDateValue(const std::optional<dbase::Date>& stored,
                                             const QDate& today);
dbase::Date ToDbDate(const QDate& date);
QDate ToQDate(const std::optional<dbase::Date>& date);  // invalid for none

namespace rectemplate_text {
inline const QString kCaption = "Save Record As Template";
inline const QString kNameRequired = "You must enter Template Name (\"Blank\" is not allowed)!";
inline const QString kCreateFailed = "Could not create New Template!";
inline const QString kConfirmDelete = "Are you sure you want to Delete selected Template?";
inline const QString kLoadFailed = "Template could not be loaded!\nYou should delete this template";
inline const QString kDeleteInUse = "Template in use - not Deleted!";
}  // namespace rectemplate_text

// A date field of the copy buffer table, from the first user field on, with
// the label the user gave it.
struct TemplateDateField {
  int position;
  QString label;
};

class RecordTemplates {
 public:
  RecordTemplates(TRecordTemplateList& names, dbase::Table& copyBuffer)
      : names_(names), table_(copyBuffer) {}

  TRecordTemplateList& Names() { return names_; }
  dbase::Table& Table() { return table_; }

  // The date fields the dialog offers as "Set Date To System Date:" boxes.
  std::vector<TemplateDateField> DateFields() const;
  // The date fields of template `index` that hold the marker (none when the
  // template has no record).
  std::vector<int> MarkedDateFields(int index);

  // The dialog's "&OK": the index of the named template, a new name being
  // added to the list (and records.tml). Nothing, with the warning shown, for
  // an empty name, "Blank", or a name that could not be added.
  std::optional<int> ChooseForSave(const QString& name);

  // After the dialog: puts the record form into template `index`'s record
  // (appending an empty record when the position is past the end) through
  // `saveEditors`, which writes the editors into the current record and
  // posts; then stores the marker in every date field of `markedDates` and
  // posts, and saves records.tml. False when the record could not be written.
  bool StoreRecord(int index, const std::vector<int>& markedDates,
                   const std::function<bool(dbase::Table&)>& saveEditors);

  // The dialog's "&Delete" once confirmed: the name goes from the list (and
  // records.tml), its record from the copy buffer table, and the table is
  // packed so the following templates move up with their names. False,
  // with nothing changed, while another copy holds the template's record.
  bool Delete(int index);

  // Using a template for a new record or "R&eplace Record With Template".
  enum class Use {
    Blank,       // "Blank": the form is cleared
    Positioned,  // the copy buffer table stands on the template's record
    Missing,     // no record for it: the error was shown
  };
  Use GotoTemplate(const QString& name);

 private:
  bool GotoRecordOf(int index);  // false when the position is past the end

  TRecordTemplateList& names_;
  dbase::Table& table_;
};

}  // namespace quillary
