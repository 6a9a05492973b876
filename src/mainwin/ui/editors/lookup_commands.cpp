#include "mainwin/ui/editors/lookup_commands.h"

#include <memory>

#include "mainwin/hub.h"
#include "mainwin/ui/editors/edit_lists_dlg.h"
#include "mainwin/ui/editors/lookup.h"
#include "mainwin/ui/record_form.h"

namespace quillary {

namespace {

QString ListFileName(int listNo) { return QString("list%1.dbf").arg(listNo); }

// The lookup box as the form's lookup editor; shown sorted.
class FormLookup final : public LookupEditor {
 public:
  FormLookup(int listNo, QWidget* parent) : listNo_(listNo), box_(new TLookup(parent)) { box_->SetSorted(true); }
  QWidget* Widget() override { return box_; }
  QString Text() const override { return box_ ? box_->Text() : QString(); }
  void SetText(const QString& text) override {
    if (box_) box_->SetText(text);
  }
  void SetEditorEnabled(bool enabled) override {
    if (box_) box_->SetEditorEnabled(enabled);
  }
  int ListNumber() const override { return listNo_; }
  void AddTypedValue() override {
    if (box_) box_->AddTypedValue();
  }

 private:
  int listNo_;
  QPointer<TLookup> box_;
};

}  // namespace

TLookupCommands::TLookupCommands(Hub& hub, TRecordForm& form, QWidget* window)
    : QObject(window), hub_(hub), window_(window) {
  form.SetLookupFactory([this](int listNo, QWidget* parent) {
    auto editor = std::make_unique<FormLookup>(listNo, parent);
    editor->Widget()->setProperty("listNo", listNo);
    boxes_.push_back(qobject_cast<TLookup*>(editor->Widget()));
    return editor;
  });
  connect(&form, &TRecordForm::EditListRequested, this, [this](int listNo) {
    if (hub_.IsBusy()) return;
    hub_.Guarded([this, listNo] { TEditListsDlg::ExecuteFor(ListFileName(listNo), window_); });
  });
}

void TLookupCommands::Bind() {
  for (const QPointer<TLookup>& box : boxes_)
    if (box) box->SetSource(ListFileName(box->property("listNo").toInt()));
}

void TLookupCommands::Unbind() {
  for (const QPointer<TLookup>& box : boxes_)
    if (box) box->SetSource(QString());
}

}  // namespace quillary
