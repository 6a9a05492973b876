// Record templates in the copy buffer table.
#include "mainwin/record_templates.h"

#include "shell/messages.h"
#include "shell/options.h"
#include "tables/field_kinds.h"
#include "tables/table_utils.h"

namespace quillary {

using namespace std::chrono;

dbase::Date ToDbDate(const QDate& d) {
  return dbase::Date{year(d.year()), month(unsigned(d.month())), day(unsigned(d.day()))};
}

QDate ToQDate(const std::optional<dbase::Date>& d) {
  if (!d || !d->ok()) return {};
  return QDate(int(d->year()), int(unsigned(d->month())), int(unsigned(d->day())));
}

std::optional<dbase::Date> TemplateDateValue(const std::optional<dbase::Date>& stored,
                                             const QDate& today) {
  if (IsTemplateDateMarker(stored)) return ToDbDate(today);
  return stored;
}

std::vector<TemplateDateField> RecordTemplates::DateFields() const {
  std::vector<TemplateDateField> out;
  if (!table_.IsOpen()) return out;
  const QStringList& labels = Opt().LabelList;
  for (int pos = tables::kFirstUserField; pos < table_.FieldCount(); ++pos) {
    if (tables::KindOf(table_.Field(pos)) != tables::Kind::Date) continue;
    QString label = labels.value(pos - tables::kFirstUserField);
    if (label.isEmpty()) label = QString::fromStdString(table_.Field(pos).name);
    out.push_back({pos, label});
  }
  return out;
}

bool RecordTemplates::GotoRecordOf(int index) {
  if (index < 0) return false;
  const uint64_t position = uint64_t(TRecordTemplateList::CopyBufferPosition(index));
  try {
    if (!tables::GotoPosition(table_, position)) return false;
    return !table_.Eof();
  } catch (const dbase::EngineError&) {
    return false;
  }
}

std::vector<int> RecordTemplates::MarkedDateFields(int index) {
  std::vector<int> out;
  if (!GotoRecordOf(index)) return out;
  for (const TemplateDateField& f : DateFields()) {
    try {
      if (IsTemplateDateMarker(table_.AsDate(f.position))) out.push_back(f.position);
    } catch (const dbase::EngineError&) {
      // An unreadable date holds no marker: its box starts unchecked.
    }
  }
  return out;
}

std::optional<int> RecordTemplates::ChooseForSave(const QString& name) {
  if (name.isEmpty() || name == TRecordTemplateList::kBlank) {
    Msg().Warning(rectemplate_text::kNameRequired);
    return std::nullopt;
  }
  const int found = names_.Find(name);
  if (found != TRecordTemplateList::kNotFound) return found;
  if (!names_.Add(name)) {
    Msg().Warning(rectemplate_text::kCreateFailed);
    return std::nullopt;
  }
  return names_.Count() - 1;
}

bool RecordTemplates::StoreRecord(int index, const std::vector<int>& markedDates,
                                  const std::function<bool(dbase::Table&)>& saveEditors) {
  if (index < 0 || !table_.IsOpen()) return false;
  bool stored = false;
  try {
    if (!GotoRecordOf(index)) {
      // Past the end: a new empty record takes the template's place. Should
      // records be missing in between, the template gets the next position
      // the table has; its name keeps its place in the list.
      table_.Append();
      table_.Post();
    }
    stored = !saveEditors || saveEditors(table_);
    if (stored && !markedDates.empty()) {
      table_.Edit();
      for (int pos : markedDates) table_.SetDate(pos, kTemplateDateMarker);
      table_.Post();
    }
  } catch (const dbase::EngineError&) {
    try {
      table_.Cancel();
    } catch (const dbase::EngineError&) {
      // Cancelling writes nothing; the failure is reported by the result.
    }
    stored = false;
  }
  names_.Save();
  return stored;
}

bool RecordTemplates::Delete(int index) {
  if (index < 0 || index >= names_.Count()) return false;
  if (GotoRecordOf(index)) {
    try {
      table_.Delete();
    } catch (const dbase::EngineError&) {
      // Another copy holds the record: name and record both stay, so that
      // every later template keeps its own record.
      return false;
    }
    try {
      table_.Pack();
    } catch (const dbase::EngineError&) {
      // Another user holds the table: the deleted record is skipped all the
      // same, so the positions of the following templates move up already.
    }
  }
  // The name goes even when records.tml cannot be written now (it is written
  // again after the next change): names and records must stay in step.
  names_.Delete(index);
  return true;
}

RecordTemplates::Use RecordTemplates::GotoTemplate(const QString& name) {
  if (name == TRecordTemplateList::kBlank) return Use::Blank;
  if (GotoRecordOf(names_.Find(name))) return Use::Positioned;
  Msg().Error(rectemplate_text::kLoadFailed);
  return Use::Missing;
}

}  // namespace quillary
