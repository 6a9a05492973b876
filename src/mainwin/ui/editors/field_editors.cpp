// One adapter per field editor kind, and the factory that makes and wires
// them for the record form.
#include "mainwin/ui/editors/field_editors.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <algorithm>

#include "mainwin/field_values.h"
#include "mainwin/ui/editors/btn_edit.h"
#include "mainwin/ui/editors/date_edit.h"
#include "mainwin/ui/editors/edit_menu.h"
#include "mainwin/ui/editors/editor_support.h"
#include "mainwin/ui/editors/multi_img.h"
#include "mainwin/ui/editors/text_edits.h"
#include "platform/dbase/table.h"
#include "shell/options.h"
#include "shell/text_helpers.h"

namespace quillary {

namespace {

const QString kLineHint = "Enter Text Here";
const QString kMemoHint = "Multi-line Text Field";
const QString kEMailHint = "E-Mail field - see Help on how to link it with E-Mail Applications";
const QString kTitleButtonHint = "Click To Capture Web Page Title";
const QString kAddressButtonHint = "Click To Capture Web Page Address";

// The plain editable combo box the form uses where no lookup box is given.
class PlainLookup final : public LookupEditor {
 public:
  PlainLookup(int listNo, QWidget* parent) : listNo_(listNo), box_(new QComboBox(parent)) {
    box_->setEditable(true);
    box_->setInsertPolicy(QComboBox::NoInsert);
  }
  QWidget* Widget() override { return box_; }
  QString Text() const override { return box_->currentText(); }
  void SetText(const QString& text) override { box_->setEditText(text); }
  void SetEditorEnabled(bool enabled) override { box_->setEnabled(enabled); }
  int ListNumber() const override { return listNo_; }

 private:
  int listNo_;
  QComboBox* box_;
};

// Plain one-line text and the button edits (capture, e-mail, phone).
class LineEditor : public FormFieldEditor {
 public:
  LineEditor(int n, QLineEdit* line) : FormFieldEditor(n, line), line_(line) {}
  void Load(const dbase::Table& table, int field, bool) override {
    line_->setText(ReadLineText(table, field));
    line_->setCursorPosition(0);
  }
  void Store(dbase::Table& table, int field, SaveMode) override { WriteLineText(table, field, line_->text()); }
  void Clear() override { line_->clear(); }
  bool IsBlank() const override { return quillary::IsBlank(line_->text()); }
  void SetEditable(bool editable) override {
    if (auto* b = qobject_cast<TMyBtnEdit*>(line_)) b->SetEditorEnabled(editable);
    else line_->setEnabled(editable);
  }
  QString Text() const override { return line_->text(); }
  void SetText(const QString& text) override { line_->setText(text); }

 private:
  QLineEdit* line_;
};

class DateEditor final : public FormFieldEditor {
 public:
  DateEditor(int n, TDateEdit* date) : FormFieldEditor(n, date), date_(date) {}
  void Load(const dbase::Table& table, int field, bool fromTemplate) override {
    if (table.Field(field).kind == dbase::FieldKind::Date) date_->SetDate(ReadDate(table, field, fromTemplate));
    else date_->setText(ReadLineText(table, field));
    date_->setCursorPosition(0);
  }
  void Store(dbase::Table& table, int field, SaveMode mode) override {
    if (table.Field(field).kind != dbase::FieldKind::Date) {
      WriteLineText(table, field, date_->text());
      return;
    }
    if (mode == SaveMode::Unattended && !date_->IsEmptyDate()) {
      const DateMask& mask = date_->Mask();
      if (!mask.IsValid(mask.Complete(date_->text()))) return;  // left as stored
      date_->CompleteText();
    }
    WriteDate(table, field, date_->IsEmptyDate() ? QDate() : date_->Date());
  }
  void Clear() override { date_->SetDate(QDate()); }
  bool IsBlank() const override { return date_->IsEmptyDate(); }
  void SetEditable(bool editable) override { date_->SetEditorEnabled(editable); }
  QString Text() const override { return date_->text(); }
  void SetText(const QString& text) override { date_->setText(text); }

 private:
  TDateEdit* date_;
};

class LookupFieldEditor final : public FormFieldEditor {
 public:
  LookupFieldEditor(int n, std::unique_ptr<LookupEditor> lookup)
      : FormFieldEditor(n, lookup->Widget()), lookup_(std::move(lookup)) {}
  QWidget* InputWidget() const override {
    auto* box = qobject_cast<QComboBox*>(Widget());
    return box && box->lineEdit() ? box->lineEdit() : Widget();
  }
  void Load(const dbase::Table& table, int field, bool) override { lookup_->SetText(ReadLineText(table, field)); }
  void Store(dbase::Table& table, int field, SaveMode) override { WriteLineText(table, field, lookup_->Text()); }
  void Clear() override { lookup_->SetText(QString()); }
  bool IsBlank() const override { return quillary::IsBlank(lookup_->Text()); }
  void SetEditable(bool editable) override { lookup_->SetEditorEnabled(editable); }
  QString Text() const override { return lookup_->Text(); }
  void SetText(const QString& text) override { lookup_->SetText(text); }
  void SetPalette(const QPalette& palette) override {
    FormFieldEditor::SetPalette(palette);
    if (InputWidget() != Widget()) InputWidget()->setPalette(palette);
  }
  int ListNumber() const override { return lookup_->ListNumber(); }
  void CommitTyped() override { lookup_->AddTypedValue(); }

 private:
  std::unique_ptr<LookupEditor> lookup_;
};

class MemoEditor final : public FormFieldEditor {
 public:
  MemoEditor(int n, QPlainTextEdit* memo) : FormFieldEditor(n, memo), memo_(memo) {}
  void Load(const dbase::Table& table, int field, bool) override { memo_->setPlainText(ReadMemoText(table, field)); }
  void Store(dbase::Table& table, int field, SaveMode) override {
    WriteMemoText(table, field, memo_->toPlainText());
  }
  void Clear() override { memo_->clear(); }
  bool IsBlank() const override { return quillary::IsBlank(memo_->toPlainText()); }
  // Read-only rather than disabled: a memo stays scrollable.
  void SetEditable(bool editable) override { memo_->setReadOnly(!editable); }
  void Highlight(int start, int length) override {
    QTextCursor c = memo_->textCursor();
    const int size = memo_->document()->characterCount() - 1;
    const int from = std::clamp(start, 0, std::max(0, size));
    c.setPosition(from);
    c.setPosition(std::clamp(from + length, from, std::max(from, size)), QTextCursor::KeepAnchor);
    memo_->setTextCursor(c);
    memo_->ensureCursorVisible();
  }
  EditorFont Font() const override { return EditorFont::Memo; }
  QString Text() const override { return memo_->toPlainText(); }
  void SetText(const QString& text) override { memo_->setPlainText(text); }

 private:
  QPlainTextEdit* memo_;
};

class PictureEditor final : public FormFieldEditor {
 public:
  PictureEditor(int n, TDbMultiImgControl* picture) : FormFieldEditor(n, picture), picture_(picture) {}
  void Load(const dbase::Table& table, int field, bool) override {
    MemoryPictureField read = ReadPicture(table, field);
    picture_->LoadFromField(read);
    loadedFrom_ = &table;
    loaded_ = read.IsNull() ? QByteArray() : read.Bytes();
  }
  void Store(dbase::Table& table, int field, SaveMode) override {
    if (picture_->IsEmpty()) {
      table.Clear(field);
      return;
    }
    // An unchanged picture is not written back where it came from (that
    // would re-encode a picture another program stored), but a record
    // saved into another table (copy buffer, record template) must carry
    // it: there it goes as the bytes that were read.
    if (&table != loadedFrom_ && !picture_->IsChanged() && !picture_->IsLoadedFromFile() && !loaded_.isEmpty()) {
      table.SetBytes(field, std::string_view(loaded_.constData(), size_t(loaded_.size())));
      return;
    }
    TablePictureField stored(table, field);
    picture_->SaveToField(stored);
  }
  void Clear() override {
    picture_->Clear();
    loadedFrom_ = nullptr;
    loaded_.clear();
  }
  bool IsBlank() const override { return picture_->IsEmpty(); }
  void SetEditable(bool editable) override { picture_->SetReadOnly(!editable); }
  EditorFont Font() const override { return EditorFont::None; }
  bool HasTextColours() const override { return false; }

 private:
  TDbMultiImgControl* picture_;
  const dbase::Table* loadedFrom_ = nullptr;
  QByteArray loaded_;  // the field's bytes as read
};

// The shared text popup on a right click.
void UseTextMenu(QWidget* control, QWidget* clicked, TEditMenu* menu) {
  clicked->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(clicked, &QWidget::customContextMenuRequested, control,
                   [control, clicked, menu](const QPoint& p) { menu->PopupFor(control, clicked->mapToGlobal(p)); });
}

std::unique_ptr<FormFieldEditor> MakeButtonEditor(const FieldEditorSetup& s) {
  TMyBtnEdit* edit = nullptr;
  switch (s.kind) {
    case FieldEditorKind::TitleCapture:
    case FieldEditorKind::AddressCapture: {
      auto* c = new TClickEdit(s.parent);
      c->SetButtonHint(s.kind == FieldEditorKind::TitleCapture ? kTitleButtonHint : kAddressButtonHint);
      // Capturing from the browser needs the browser link.
      c->Button()->setEnabled(false);
      c->setToolTip(kLineHint);
      c->SetPopupMenu(s.textMenu);
      edit = c;
      break;
    }
    case FieldEditorKind::EMail:
      edit = new TEMailEdit(s.parent);
      edit->setToolTip(kEMailHint);
      break;
    case FieldEditorKind::Date:
      edit = new TDateEdit(s.parent);
      break;
    default: {
      auto* phone = new TPhoneEdit(s.parent);
      phone->SetPopupMenu(s.textMenu);
      edit = phone;
      break;
    }
  }
  edit->SetTag(s.n);
  edit->SetHelpTopic(kEditorHelpTopic);
  QObject::connect(edit, &TMyBtnEdit::FontRequested, edit, s.fontRequested);
  QObject::connect(edit, &TMyBtnEdit::ColorRequested, edit, s.colorRequested);
  QObject::connect(edit, &TMyBtnEdit::Changed, edit, s.changed);
  if (auto* date = qobject_cast<TDateEdit*>(edit)) return std::make_unique<DateEditor>(s.n, date);
  return std::make_unique<LineEditor>(s.n, edit);
}

}  // namespace

void FormFieldEditor::SetPalette(const QPalette& palette) { widget_->setPalette(palette); }

std::unique_ptr<FormFieldEditor> MakeFieldEditor(const FieldEditorSetup& s) {
  std::unique_ptr<FormFieldEditor> editor;
  switch (s.kind) {
    case FieldEditorKind::Line: {
      auto* line = new QLineEdit(s.parent);
      line->setToolTip(kLineHint);
      UseTextMenu(line, line, s.textMenu);
      QObject::connect(line, &QLineEdit::textEdited, line, s.changed);
      editor = std::make_unique<LineEditor>(s.n, line);
      break;
    }
    case FieldEditorKind::TitleCapture:
    case FieldEditorKind::AddressCapture:
    case FieldEditorKind::EMail:
    case FieldEditorKind::Date:
    case FieldEditorKind::Phone:
      editor = MakeButtonEditor(s);
      break;
    case FieldEditorKind::Lookup: {
      std::unique_ptr<LookupEditor> lookup = s.lookups ? s.lookups(s.listNo, s.parent) : nullptr;
      if (!lookup) lookup = std::make_unique<PlainLookup>(s.listNo, s.parent);
      QWidget* w = lookup->Widget();
      w->setParent(s.parent);
      if (auto* box = qobject_cast<QComboBox*>(w); box && box->lineEdit()) {
        QLineEdit* le = box->lineEdit();
        // The lookup box brings its own hint.
        if (box->toolTip().isEmpty()) le->setToolTip(kLineHint);
        UseTextMenu(box, le, s.lookupMenu);
        QObject::connect(le, &QLineEdit::textEdited, box, s.changed);
      }
      editor = std::make_unique<LookupFieldEditor>(s.n, std::move(lookup));
      break;
    }
    case FieldEditorKind::Memo: {
      auto* memo = new QPlainTextEdit(s.parent);
      memo->setToolTip(kMemoHint);
      memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      memo->setTabChangesFocus(true);
      UseTextMenu(memo, memo, s.textMenu);
      QObject::connect(memo, &QPlainTextEdit::textChanged, memo, s.changed);
      editor = std::make_unique<MemoEditor>(s.n, memo);
      break;
    }
    case FieldEditorKind::Logo:
    case FieldEditorKind::Picture: {
      auto* picture = new TDbMultiImgControl(s.parent);
      picture->SetTag(s.n);
      if (s.kind == FieldEditorKind::Logo) {
        picture->SetToolBarHidden(true);
        picture->setFocusPolicy(Qt::ClickFocus);
      } else {
        picture->setFocusPolicy(Qt::StrongFocus);
      }
      QObject::connect(picture, &TMultiImgControl::Changed, picture, s.changed);
      editor = std::make_unique<PictureEditor>(s.n, picture);
      break;
    }
  }
  QWidget* w = editor->Widget();
  // The button edits and pictures carry their field number themselves.
  if (s.kind == FieldEditorKind::Line || s.kind == FieldEditorKind::Lookup || s.kind == FieldEditorKind::Memo)
    w->setProperty("tag", s.n);
  w->setProperty("helpTopic", editor->Font() == EditorFont::None ? kPictureHelpTopic : kEditorHelpTopic);
  return editor;
}

}  // namespace quillary
