// A field editor of the record form as the record saver sees it: one record
// table field shown and edited, whatever the control behind it. The form
// makes one per field and loops over them.
#pragma once

namespace quillary::dbase {
class Table;
}

namespace quillary {

// Whether someone can answer while the record is saved.
enum class SaveMode {
  Attended,
  // Nothing can be asked (termination signal, session end): a value the
  // user has not finished (a date that is not one) leaves its field as
  // stored instead of refusing the save.
  Unattended,
};

class FieldEditor {
 public:
  virtual ~FieldEditor() = default;
  // 1..17; the record table's field position is FieldNumber() + 1.
  virtual int FieldNumber() const = 0;
  // Shows `field` of the table's current record. fromTemplate: the record
  // template's date marker is shown as today. Throws dbase::EngineError
  // when the stored value cannot be read.
  virtual void Load(const dbase::Table& table, int field, bool fromTemplate) = 0;
  // Writes the shown value into `field` of the record being edited. Throws
  // dbase::EngineError when the field cannot take it.
  virtual void Store(dbase::Table& table, int field, SaveMode mode) = 0;
  virtual void Clear() = 0;
  // Nothing worth storing: empty or only blanks (an empty date, no picture).
  virtual bool IsBlank() const = 0;
  // Read-only database or a record another user holds: false.
  virtual void SetEditable(bool editable) = 0;
  // The find function's match in this field: a multi-line text selects
  // `length` characters from `start`. The form colours the editor itself.
  virtual void Highlight(int start, int length) = 0;
};

}  // namespace quillary
