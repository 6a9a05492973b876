// The record form: the designed pages with their labels and editors, the
// label popup, the page order, and the moves of values between the editors
// and a record table.
#include "mainwin/ui/record_form.h"

#include <QApplication>
#include <QFile>
#include <QFontDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "mainwin/ui/editors/date_edit.h"
#include "mainwin/ui/editors/edit_menu.h"
#include "mainwin/ui/editors/editor_support.h"
#include "platform/dbase/table.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "shell/templates.h"
#include "shell/text_helpers.h"
#include "shell/ui/load_labels_dlg.h"

namespace quillary {

namespace {

// Texts of the form.
const QString kPageCaption = "Part %1";
const QString kLabelHint = "Click to Display Popup Menu";
const QString kChangeLabelCaption = "Change Label Text";
const QString kChangeLabelPrompt = "Enter New Text:";
const QString kEmptyLabel = "Empty Labels are not Allowed!";
const QString kDuplicateLabel = "Duplicate Labels are not Allowed!";
const QString kLoadTemplateFailed = "Error Loading Template.";
const QString kSaveTemplateCaption = "Save Labels As Template";
const QString kSaveTemplatePrompt = "Template Name:";
const QString kDuplicateTemplate = "Duplicate name - Template Not Saved!";
const QString kTemplateNotSaved = "Template Not Saved!";

using EdKind = FieldEditorKind;

struct Design {
  int n;
  int page;  // 0-based design page
  EdKind kind;
  const char* label;
  int listNo;  // lookups: 1..5
};

// The designed layout, in field-number order.
const Design kDesign[TRecordForm::kFieldCount] = {
    {1, 0, EdKind::TitleCapture, "Title:", 0},
    {2, 0, EdKind::AddressCapture, "Address:", 0},
    {3, 0, EdKind::Lookup, "Category 1:", 1},
    {4, 0, EdKind::Lookup, "Category 2:", 2},
    {5, 0, EdKind::Line, "Keywords:", 0},
    {6, 0, EdKind::EMail, "EMail:", 0},
    {7, 0, EdKind::Lookup, "Type:", 3},
    {8, 0, EdKind::Date, "Date:", 0},
    {9, 0, EdKind::Phone, "Phone:", 0},
    {10, 0, EdKind::Logo, "Logo:", 0},
    {11, 1, EdKind::Line, "User Field 1:", 0},
    {12, 1, EdKind::Line, "User Field 2:", 0},
    {13, 1, EdKind::Lookup, "User Field 3:", 4},
    {14, 1, EdKind::Lookup, "User Field 4:", 5},
    {15, 1, EdKind::Memo, "Description:", 0},
    {16, 2, EdKind::Memo, "Notes:", 0},
    {17, 3, EdKind::Picture, "Picture:", 0},
};
constexpr int kDesignPages = 4;

// Rows of each page: the field numbers side by side on one row.
const std::vector<std::vector<std::vector<int>>> kRows = {
    {{1}, {2}, {3, 4}, {5}, {6}, {7, 8}, {9}, {10}},
    {{11, 12}, {13, 14}, {15}},
    {{16}},
    {{17}},
};

// The palette and the default scheme elements the editors use.
const QColor kWhite(0xFF, 0xFF, 0xFF), kBlack(0, 0, 0), kNavy(0, 0, 0x80), kSilver(0xC0, 0xC0, 0xC0);
const QColor kRed(0xFF, 0, 0), kYellow(0xFF, 0xFF, 0), kGray(0x80, 0x80, 0x80);

}  // namespace

struct TRecordForm::Slot {
  QString defaultLabel;
  std::unique_ptr<FormFieldEditor> editor;
  QLabel* label = nullptr;
  QWidget* Widget() const { return editor->Widget(); }
  bool Holds(const QWidget* w) const { return w && (Widget() == w || Widget()->isAncestorOf(w)); }
};

TRecordForm::TRecordForm(RecordFormHost& host, QWidget* parent) : QWidget(parent), host_(host), saver_(host) {
  saver_.SetSavingHook([](bool saving) {
    if (saving) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
  });
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  pages_ = new QTabWidget(this);
  pages_->setObjectName("PageControl1");
  layout->addWidget(pages_);
  pages_->tabBar()->installEventFilter(this);
}

TRecordForm::~TRecordForm() = default;

void TRecordForm::SetLookupFactory(LookupFactory factory) { lookupFactory_ = std::move(factory); }

// ------------------------------------------------------------------ building

void TRecordForm::BuildForm() {
  if (built_) return;
  built_ = true;

  textMenu_ = new TEditMenu(TEditMenu::Variant::Text, this);
  listMenu_ = new TEditMenu(TEditMenu::Variant::Lookup, this);
  for (TEditMenu* menu : {textMenu_, listMenu_}) {
    connect(menu, &TEditMenu::FontRequested, this, &TRecordForm::ChangeFontOf);
    connect(menu, &TEditMenu::ColorRequested, this, &TRecordForm::ColorRequested);
  }
  connect(listMenu_, &TEditMenu::EditListRequested, this, [this](QWidget* control) {
    if (const Slot* s = SlotHolding(control); s && s->editor->ListNumber() > 0)
      emit EditListRequested(s->editor->ListNumber());
  });

  labelMenu_ = new QMenu(this);
  labelMenu_->setObjectName("PopupMenu4");
  labelMenu_->addAction("&Text...", this, [this] { ChangeLabelText(popupLabel_); });
  QAction* color = labelMenu_->addAction("&Color...");
  color->setEnabled(false);  // the colour dialog comes with the colour schemes
  labelMenu_->addAction("&Load From Template...", this, &TRecordForm::LoadLabelsFromTemplate);
  labelMenu_->addAction("&Save As Template...", this, &TRecordForm::SaveLabelsAsTemplate);

  slots_.resize(kFieldCount);
  editorsPerPage_.assign(kDesignPages, 0);
  for (int page = 0; page < kDesignPages; ++page) BuildPage(page);
  std::vector<FieldEditor*> editors;
  for (const auto& s : slots_)
    if (s) editors.push_back(s->editor.get());
  saver_.SetEditors(std::move(editors));

  // A page without editors is not shown (every designed page has some).
  for (int page = kDesignPages - 1; page >= 0; --page)
    if (editorsPerPage_[size_t(page)] == 0) pages_->removeTab(page);

  // The label list: the designed captions where the user has none.
  QStringList& labels = Opt().LabelList;
  for (int i = int(labels.size()); i < kFieldCount; ++i) labels << QString(kDesign[i].label);
  for (int i = 0; i < kFieldCount; ++i)
    if (IsBlank(labels[i])) labels[i] = kDesign[i].label;

  // The date format list: one entry per date editor, with its field number.
  auto& formats = Opt().DateFormats;
  if (formats.size() < dateEditors_.size()) formats.resize(dateEditors_.size(), DateFormatEntry{"0", -1});
  for (size_t k = 0; k < dateEditors_.size(); ++k) formats[k].field = dateEditors_[k]->Tag();

  ApplyFonts();
  ApplyColors();
}

void TRecordForm::BuildPage(int page) {
  auto* w = new QWidget;
  w->setObjectName(QString("TabSheet%1").arg(page + 1));
  w->setAutoFillBackground(true);
  auto* grid = new QGridLayout(w);
  grid->setContentsMargins(8, 8, 8, 8);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(6);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);

  FieldEditorSetup setup;
  setup.parent = w;
  setup.textMenu = textMenu_;
  setup.lookupMenu = listMenu_;
  setup.lookups = lookupFactory_;
  setup.changed = [this] {
    if (!Busy()) emit Modified();
  };
  setup.fontRequested = [this](QWidget* editor) { ChangeFontOf(editor); };
  setup.colorRequested = [this](QWidget* editor) { emit ColorRequested(editor); };

  bool stretched = false;
  int row = 0;
  for (const auto& fields : kRows[size_t(page)]) {
    int col = 0;
    for (int n : fields) {
      const Design& d = kDesign[n - 1];
      auto slot = std::make_unique<Slot>();
      Slot& s = *slot;
      s.defaultLabel = d.label;
      setup.n = n;
      setup.kind = d.kind;
      setup.listNo = d.listNo;
      s.editor = MakeFieldEditor(setup);
      QWidget* editor = s.Widget();
      editor->setObjectName(QString("R%1").arg(n - 1));
      editor->installEventFilter(this);
      if (s.editor->InputWidget() != editor) s.editor->InputWidget()->installEventFilter(this);
      if (auto* date = qobject_cast<TDateEdit*>(editor)) {
        dateEditors_.push_back(date);
        connect(date, &TDateEdit::DateFormatChanged, this, [this, date](int index) { RememberDateFormat(date, index); });
      }

      s.label = new QLabel(d.label, w);
      s.label->setObjectName(QString("Label_R%1").arg(n - 1));
      s.label->setProperty("tag", n);
      s.label->setToolTip(kLabelHint);
      s.label->setCursor(Qt::PointingHandCursor);
      s.label->setAutoFillBackground(true);
      s.label->setBuddy(editor);
      s.label->installEventFilter(this);

      const bool big = d.kind == EdKind::Memo || d.kind == EdKind::Logo || d.kind == EdKind::Picture;
      const int span = fields.size() == 1 ? 3 : 1;
      if (big) {
        // A memo or picture alone on its row: the label above it, the
        // editor taking the room the page gives.
        grid->addWidget(s.label, row, 0, 1, 4);
        grid->addWidget(editor, row + 1, 0, 1, 4);
        grid->setRowStretch(row + 1, 1);
        stretched = true;
        ++row;
      } else {
        grid->addWidget(s.label, row, col, Qt::AlignVCenter | Qt::AlignLeft);
        grid->addWidget(editor, row, col + 1, 1, span);
      }
      col += 2;
      ++editorsPerPage_[size_t(page)];
      slots_[size_t(n - 1)] = std::move(slot);
    }
    ++row;
  }
  if (!stretched) grid->setRowStretch(row, 1);
  pages_->addTab(w, kPageCaption.arg(page + 1));
}

// ------------------------------------------------------ labels, formats, looks

void TRecordForm::ApplyLabels() {
  const QStringList& labels = Opt().LabelList;
  for (const auto& s : slots_) {
    if (!s) continue;
    const int i = s->editor->FieldNumber() - 1;
    s->label->setText(i < labels.size() ? labels[i] : s->defaultLabel);
  }
  emit LabelsChanged();
}

void TRecordForm::ApplyDateFormats() {
  const auto& formats = Opt().DateFormats;
  for (size_t k = 0; k < dateEditors_.size(); ++k) {
    if (!dateEditors_[k]) continue;
    bool ok = false;
    int index = k < formats.size() ? formats[k].code.toInt(&ok) : 0;
    if (!ok || index < 0 || index > 3) index = 0;
    dateEditors_[k]->SetDateFormatIndex(index);
  }
}

void TRecordForm::RememberDateFormat(TDateEdit* editor, int index) {
  auto& formats = Opt().DateFormats;
  for (size_t k = 0; k < dateEditors_.size(); ++k) {
    if (dateEditors_[k] != editor) continue;
    if (formats.size() <= k) formats.resize(k + 1, DateFormatEntry{"0", -1});
    formats[k].code = QString::number(index);
    formats[k].field = editor->Tag();
  }
  Opt().SaveDateFormats();
  emit DateFormatsChanged();
}

void TRecordForm::ApplyFonts() {
  const QFont line = ToQFont(Opt().LineEditFont);
  const QFont memo = ToQFont(Opt().MemoEditFont);
  for (const auto& s : slots_) {
    if (!s || s->editor->Font() == EditorFont::None) continue;
    s->Widget()->setFont(s->editor->Font() == EditorFont::Memo ? memo : line);
  }
}

void TRecordForm::ChangeFontOf(QWidget* editor) {
  const Slot* slot = SlotHolding(editor);
  const bool isMemo = slot && slot->editor->Font() == EditorFont::Memo;
  FontRecord& record = isMemo ? Opt().MemoEditFont : Opt().LineEditFont;
  std::optional<QFont> chosen;
  if (fontChooser_) {
    chosen = fontChooser_(ToQFont(record));
  } else {
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, ToQFont(record), this);
    if (ok) chosen = f;
  }
  if (!chosen) return;
  record = ToFontRecord(*chosen);
  ApplyFonts();
}

void TRecordForm::ApplyColors() {
  const QPalette system = QApplication::palette();
  for (const auto& s : slots_) {
    if (!s) continue;
    QPalette p = s->Widget()->palette();
    if (s->editor->FieldNumber() == highlighted_) {
      p.setColor(QPalette::Base, kRed);
      p.setColor(QPalette::Text, kYellow);
    } else if (!editorsEnabled_) {
      p.setColor(QPalette::Base, system.color(QPalette::Active, QPalette::Base));
      // The grey of disabled text, dark enough to read the record by.
      p.setColor(QPalette::Text, kGray);
    } else if (s->editor->HasTextColours()) {
      // The text and the multi-line fields' default colours.
      p.setColor(QPalette::Base, kWhite);
      p.setColor(QPalette::Text, kBlack);
    }
    s->editor->SetPalette(p);

    QPalette lp = s->label->palette();
    lp.setColor(QPalette::WindowText, kNavy);
    lp.setColor(QPalette::Window, kSilver);
    s->label->setPalette(lp);
  }
  for (int i = 0; i < pages_->count(); ++i) {
    QPalette pp = pages_->widget(i)->palette();
    pp.setColor(QPalette::Window, kSilver);
    pages_->widget(i)->setPalette(pp);
  }
}

void TRecordForm::SetEditorsState(bool enabled) {
  editorsEnabled_ = enabled;
  for (const auto& s : slots_)
    if (s) s->editor->SetEditable(enabled);
  ApplyColors();
}

// ------------------------------------------------------------- label popup

void TRecordForm::OpenLabelPopup(int n, const QPoint& globalPos) {
  if (n < 1 || n > kFieldCount) return;
  popupLabel_ = n;
  labelMenu_->popup(globalPos);
}

void TRecordForm::ChangeLabelText(int n) {
  if (n < 1 || n > kFieldCount) return;
  QStringList& labels = Opt().LabelList;
  const std::optional<QString> answer =
      Msg().InputQuery(kChangeLabelCaption, kChangeLabelPrompt, labels.value(n - 1));
  if (!answer) return;
  if (IsBlank(*answer)) {
    Msg().Error(kEmptyLabel);
    return;
  }
  for (const QString& l : labels)
    if (l.compare(*answer, Qt::CaseInsensitive) == 0) {
      Msg().Error(kDuplicateLabel);
      return;
    }
  labels[n - 1] = *answer;
  ApplyLabels();
  Opt().SaveLabels();
}

void TRecordForm::LoadLabelsFromTemplate() {
  std::optional<QString> file;
  if (labelTemplateChooser_) file = labelTemplateChooser_();
  else file = TLoadLabelsDlg::Execute(this);
  if (!file || file->isEmpty()) return;
  if (!LabelTemplates().LoadTemplateFile(*file)) {
    Msg().Error(kLoadTemplateFailed);
    return;
  }
  ApplyLabels();
  Opt().SaveLabels();
}

void TRecordForm::SaveLabelsAsTemplate() {
  const std::optional<QString> name = Msg().InputQuery(kSaveTemplateCaption, kSaveTemplatePrompt, QString());
  if (!name || name->isEmpty()) return;
  TLabelTemplateList& list = LabelTemplates();
  if (list.FindTemplate(*name) != TTemplateList::kNotFound) {
    Msg().Error(kDuplicateTemplate);
    return;
  }
  if (!list.AddTemplate(*name) || !list.SaveIndex(Opt().SettingsFile(kLabelTemplateIndexFile)))
    Msg().Error(kTemplateNotSaved);
}

// ---------------------------------------------------------- loading, saving

void TRecordForm::LoadFields(dbase::Table& table, bool fromTemplate) { saver_.LoadFields(table, fromTemplate); }

bool TRecordForm::SaveFields(dbase::Table& table) { return saver_.SaveFields(table); }

void TRecordForm::ClearFields() { saver_.ClearFields(); }

bool TRecordForm::IsFormBlank() const { return saver_.IsBlank(); }

bool TRecordForm::CheckDates() {
  for (const auto& d : dateEditors_) {
    if (!d) continue;
    // The editor's page is shown while it checks, so that a refused date
    // is on screen with the focus when its message appears.
    const int shown = pages_->currentIndex();
    const int page = PageOfField(d->Tag());
    if (page >= 0) pages_->setCurrentIndex(page);
    if (!d->CheckDate()) {
      d->setFocus(Qt::OtherFocusReason);
      return false;
    }
    pages_->setCurrentIndex(shown);
  }
  return true;
}

void TRecordForm::CommitFocusedLookup() {
  if (const Slot* s = SlotHolding(QApplication::focusWidget())) s->editor->CommitTyped();
}

bool TRecordForm::SaveCurrentRecord() {
  // Commands leave the record without taking the focus from a lookup box.
  return saver_.SaveCurrentRecord([this] {
    CommitFocusedLookup();
    return CheckDates();
  });
}

bool TRecordForm::SaveCurrentRecordUnattended() {
  return saver_.SaveCurrentRecordUnattended([this] { CommitFocusedLookup(); });
}

// -------------------------------------------------------------- page order

QString TRecordForm::PageOrderFile() const {
  QString name = host_.DataFileName();
  const int dot = name.lastIndexOf('.');
  name = dot >= 0 ? name.left(dot + 1) + "tab" : name + ".tab";
  return Opt().SettingsFile(name);
}

QString TRecordForm::PageOrder() const {
  QString order;
  for (int i = 0; i < pages_->count(); ++i) {
    const QString caption = pages_->tabText(i);
    if (!caption.isEmpty()) order += caption.back();
  }
  return order;
}

void TRecordForm::ReadPageOrder() {
  QFile f(PageOrderFile());
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return;
  const QString line = QString::fromUtf8(f.readLine()).trimmed();
  QTabBar* bar = pages_->tabBar();
  int target = 0;
  for (QChar c : line) {
    if (target >= pages_->count()) break;
    for (int i = 0; i < pages_->count(); ++i) {
      const QString caption = pages_->tabText(i);
      if (!caption.isEmpty() && caption.back() == c) {
        if (i != target) bar->moveTab(i, target);
        ++target;
        break;
      }
    }
  }
  pages_->setCurrentIndex(0);
}

void TRecordForm::WritePageOrder() const {
  QFile f(PageOrderFile());
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  f.write(PageOrder().toUtf8() + "\r\n");
}

void TRecordForm::MovePageByDrag(int from, int to) {
  if (from < 0 || to < 0 || from == to) return;
  pages_->tabBar()->moveTab(from, to);
  pages_->setCurrentIndex(to);
  WritePageOrder();
}

void TRecordForm::ShowPage(int index) {
  if (index < 0 || index >= pages_->count()) return;
  pages_->setCurrentIndex(index);
}

int TRecordForm::PageCount() const { return pages_->count(); }

int TRecordForm::PageOfField(int n) const {
  const Slot* s = SlotOf(n);
  return s ? pages_->indexOf(s->Widget()->parentWidget()) : -1;
}

const TRecordForm::Slot* TRecordForm::SlotOf(int n) const {
  return n >= 1 && n <= kFieldCount && size_t(n) <= slots_.size() ? slots_[size_t(n - 1)].get() : nullptr;
}

const TRecordForm::Slot* TRecordForm::SlotHolding(const QWidget* widget) const {
  for (const auto& s : slots_)
    if (s && s->Holds(widget)) return s.get();
  return nullptr;
}

// ------------------------------------------------------- highlight, access

void TRecordForm::HighlightField(int n, int start, int length) {
  const Slot* s = SlotOf(n);
  if (!s) return;
  ShowPage(PageOfField(n));
  if (!host_.RecordInUse()) s->Widget()->setFocus(Qt::OtherFocusReason);
  highlighted_ = n;
  ApplyColors();
  s->editor->Highlight(start, length);
}

void TRecordForm::ClearHighlight() {
  if (highlighted_ == 0) return;
  highlighted_ = 0;
  ApplyColors();
}

QWidget* TRecordForm::Editor(int n) const {
  const Slot* s = SlotOf(n);
  return s ? s->Widget() : nullptr;
}

QLabel* TRecordForm::Label(int n) const {
  const Slot* s = SlotOf(n);
  return s ? s->label : nullptr;
}

QString TRecordForm::FieldText(int n) const {
  const Slot* s = SlotOf(n);
  return s ? s->editor->Text() : QString();
}

void TRecordForm::SetFieldText(int n, const QString& text) {
  if (const Slot* s = SlotOf(n)) s->editor->SetText(text);
}

// ------------------------------------------------------------------ focus

bool TRecordForm::AcceptsFocus(int n) const {
  const Slot* s = SlotOf(n);
  if (!s) return false;
  const QWidget* e = s->Widget();
  return e->isEnabled() && (e->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

void TRecordForm::FocusFirstEditor() {
  const int page = pages_->currentIndex();
  for (int n = 1; n <= kFieldCount; ++n)
    if (PageOfField(n) == page && AcceptsFocus(n)) {
      Editor(n)->setFocus(Qt::TabFocusReason);
      return;
    }
}

bool TRecordForm::FocusStep(QWidget* from, bool forward) {
  const Slot* fromSlot = SlotHolding(from);
  if (!fromSlot) return false;
  const int current = fromSlot->editor->FieldNumber();
  const int count = pages_->count();
  int page = PageOfField(current);
  // Further on the same page, in field-number order.
  for (int n = current + (forward ? 1 : -1); n >= 1 && n <= kFieldCount; n += forward ? 1 : -1)
    if (PageOfField(n) == page && AcceptsFocus(n)) {
      Editor(n)->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return true;
    }
  // Then the next (previous) page's first (last) editor, round the pages.
  for (int step = 1; step <= count; ++step) {
    const int p = ((page + (forward ? step : -step)) % count + count) % count;
    for (int k = 0; k < kFieldCount; ++k) {
      const int n = forward ? k + 1 : kFieldCount - k;
      if (PageOfField(n) == p && AcceptsFocus(n)) {
        pages_->setCurrentIndex(p);
        Editor(n)->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
      }
    }
  }
  return false;
}

bool TRecordForm::eventFilter(QObject* watched, QEvent* event) {
  // Page tabs dragged onto another tab with the left button.
  if (watched == pages_->tabBar()) {
    auto* bar = pages_->tabBar();
    if (event->type() == QEvent::MouseButtonPress) {
      auto* me = static_cast<QMouseEvent*>(event);
      dragFrom_ = me->button() == Qt::LeftButton ? bar->tabAt(me->position().toPoint()) : -1;
    } else if (event->type() == QEvent::MouseButtonRelease) {
      auto* me = static_cast<QMouseEvent*>(event);
      if (me->button() == Qt::LeftButton && dragFrom_ >= 0) {
        const int to = bar->tabAt(me->position().toPoint());
        const int from = dragFrom_;
        dragFrom_ = -1;
        if (to >= 0 && to != from) {
          MovePageByDrag(from, to);
          return true;
        }
      }
      dragFrom_ = -1;
    }
    return QWidget::eventFilter(watched, event);
  }

  // A click on a label opens the label popup beside it.
  if (event->type() == QEvent::MouseButtonPress) {
    if (auto* label = qobject_cast<QLabel*>(watched)) {
      const int n = label->property("tag").toInt();
      if (n >= 1 && n <= kFieldCount && Label(n) == label) {
        OpenLabelPopup(n, label->mapToGlobal(QPoint(10, 10)));
        return true;
      }
    }
  }

  if (event->type() == QEvent::FocusIn) {
    if (const Slot* s = SlotHolding(qobject_cast<QWidget*>(watched))) emit EditorFocused(s->editor->FieldNumber());
  }

  // Tab without Ctrl moves across the pages. Taken here, before the
  // editor sees the key: Qt's own focus chain also runs when a page is
  // hidden, and that must not switch pages.
  if (event->type() == QEvent::KeyPress) {
    auto* ke = static_cast<QKeyEvent*>(event);
    if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) && !(ke->modifiers() & Qt::ControlModifier)) {
      const bool forward = ke->key() == Qt::Key_Tab && !(ke->modifiers() & Qt::ShiftModifier);
      if (auto* w = qobject_cast<QWidget*>(watched); w && FocusStep(w, forward)) return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace quillary
