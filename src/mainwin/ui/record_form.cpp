// The record form. Not filled in yet: the pages are empty and every
// operation does nothing, so the main window can be built against it.
#include "mainwin/ui/record_form.h"

#include <QTabWidget>
#include <QVBoxLayout>

#include "mainwin/ui/editors/field_editors.h"
#include "platform/dbase/table.h"

namespace quillary {

struct TRecordForm::Slot {};

TRecordForm::TRecordForm(RecordFormHost& host, QWidget* parent) : QWidget(parent), host_(host) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  pages_ = new QTabWidget(this);
  layout->addWidget(pages_);
}
TRecordForm::~TRecordForm() = default;

void TRecordForm::SetLookupFactory(LookupFactory factory) { lookupFactory_ = std::move(factory); }
void TRecordForm::BuildForm() { built_ = true; }
void TRecordForm::ApplyLabels() { emit LabelsChanged(); }
void TRecordForm::ApplyDateFormats() {}
void TRecordForm::ApplyFonts() {}
void TRecordForm::ApplyColors() {}
void TRecordForm::LoadFields(dbase::Table&, bool) {}
bool TRecordForm::SaveFields(dbase::Table&) { return false; }
void TRecordForm::ClearFields() {}
bool TRecordForm::IsFormBlank() const { return true; }
bool TRecordForm::SaveCurrentRecord() { return true; }
bool TRecordForm::CheckDates() { return true; }
QString TRecordForm::PageOrderFile() const { return {}; }
void TRecordForm::ReadPageOrder() {}
void TRecordForm::WritePageOrder() const {}
QString TRecordForm::PageOrder() const { return {}; }
void TRecordForm::ShowPage(int) {}
int TRecordForm::PageCount() const { return pages_->count(); }
void TRecordForm::HighlightField(int, int, int) {}
void TRecordForm::ClearHighlight() {}
void TRecordForm::SetEditorsState(bool enabled) { editorsEnabled_ = enabled; }
QWidget* TRecordForm::Editor(int) const { return nullptr; }
QLabel* TRecordForm::Label(int) const { return nullptr; }
QString TRecordForm::FieldText(int) const { return {}; }
void TRecordForm::SetFieldText(int, const QString&) {}
void TRecordForm::FocusFirstEditor() {}
void TRecordForm::OpenLabelPopup(int, const QPoint&) {}
void TRecordForm::ChangeLabelText(int) {}
void TRecordForm::LoadLabelsFromTemplate() {}
void TRecordForm::SaveLabelsAsTemplate() {}
bool TRecordForm::eventFilter(QObject* w, QEvent* e) { return QWidget::eventFilter(w, e); }
bool TRecordForm::focusNextPrevChild(bool next) { return QWidget::focusNextPrevChild(next); }
void TRecordForm::BuildPage(int) {}
bool TRecordForm::FocusStep(QWidget*, bool) { return false; }
bool TRecordForm::AcceptsFocus(int) const { return false; }
int TRecordForm::PageOfField(int) const { return 0; }
void TRecordForm::ChangeFontOf(QWidget*) {}
void TRecordForm::RememberDateFormat(TDateEdit*, int) {}
bool TRecordForm::SaveAttempt(dbase::Table&, bool&) { return false; }
void TRecordForm::ProcessPaintOnly() {}
void TRecordForm::MovePageByDrag(int, int) {}

}  // namespace quillary
