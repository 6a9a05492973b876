// The record form: the designed pages with their labels and editors, the
// label popup, the page order, and the moves of values between the editors
// and a record table.
#include "mainwin/ui/record_form.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextStream>
#include <QVBoxLayout>
#include <chrono>

#include "mainwin/ui/editors/field_editors.h"
#include "platform/dbase/table.h"
#include "shell/clock.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "shell/templates.h"
#include "shell/text_helpers.h"
#include "shell/ui/load_labels_dlg.h"
#include "tables/database.h"
#include "tables/field_kinds.h"

namespace quillary {

namespace {

// Texts of the form.
const QString kPageCaption = "Part %1";
const QString kLineHint = "Enter Text Here";
const QString kMemoHint = "Multi-line Text Field";
const QString kEMailHint = "E-Mail field - see Help on how to link it with E-Mail Applications";
const QString kLabelHint = "Click to Display Popup Menu";
const QString kTitleButtonHint = "Click To Capture Web Page Title";
const QString kAddressButtonHint = "Click To Capture Web Page Address";
const QString kCorruptMemo1 = "Corrupt Memo Field!!! You should delete record: ";
const QString kCorruptMemo2 = "You may have to use Advanced/Maintenance/Repair Data File function.";
constexpr int kCorruptMemoHelp = 62;
const QString kCouldNotUpdate =
    "Could not Update the record!\nDo you want to continue anyway?\n"
    "(If you answer Yes changes to the current record will be discarded.)";
const QString kChangeLabelCaption = "Change Label Text";
const QString kChangeLabelPrompt = "Enter New Text:";
const QString kEmptyLabel = "Empty Labels are not Allowed!";
const QString kDuplicateLabel = "Duplicate Labels are not Allowed!";
const QString kLoadTemplateFailed = "Error Loading Template.";
const QString kSaveTemplateCaption = "Save Labels As Template";
const QString kSaveTemplatePrompt = "Template Name:";
const QString kDuplicateTemplate = "Duplicate name - Template Not Saved!";
const QString kTemplateNotSaved = "Template Not Saved!";

enum class EdKind { Line, Click, EMail, Date, Phone, Lookup, Memo, Picture };

struct Design {
  int n;
  int page;  // 0-based design page
  EdKind kind;
  const char* label;
  int listNo;  // lookups: 1..5
};

// The designed layout, in field-number order.
const Design kDesign[TRecordForm::kFieldCount] = {
    {1, 0, EdKind::Click, "Title:", 0},
    {2, 0, EdKind::Click, "Address:", 0},
    {3, 0, EdKind::Lookup, "Category 1:", 1},
    {4, 0, EdKind::Lookup, "Category 2:", 2},
    {5, 0, EdKind::Line, "Keywords:", 0},
    {6, 0, EdKind::EMail, "EMail:", 0},
    {7, 0, EdKind::Lookup, "Type:", 3},
    {8, 0, EdKind::Date, "Date:", 0},
    {9, 0, EdKind::Phone, "Phone:", 0},
    {10, 0, EdKind::Picture, "Logo:", 0},
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

// The plain editable combo box the form uses until the lookup box exists.
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

// A picture field of a table as the picture control sees it.
class TablePictureField final : public PictureField {
 public:
  TablePictureField(dbase::Table& table, int field) : table_(table), field_(field) {}
  bool IsNull() const override { return !table_.HasRecord() || table_.IsEmpty(field_); }
  QByteArray Bytes() const override {
    if (!table_.HasRecord()) return {};
    const std::string b = table_.AsBytes(field_);
    return QByteArray(b.data(), qsizetype(b.size()));
  }
  void SetBytes(const QByteArray& bytes) override {
    table_.SetBytes(field_, std::string_view(bytes.constData(), size_t(bytes.size())));
  }
  void Clear() override { table_.Clear(field_); }

 private:
  dbase::Table& table_;
  int field_;
};

dbase::Date ToDb(const QDate& d) {
  return dbase::Date{std::chrono::year(d.year()), std::chrono::month(unsigned(d.month())),
                     std::chrono::day(unsigned(d.day()))};
}
QDate FromDb(const dbase::Date& d) {
  return QDate(int(d.year()), int(unsigned(d.month())), int(unsigned(d.day())));
}
// Day 1.0 of the old date serial numbers, which a record template's date
// field holds to stand for the day the template is used.
bool IsTemplateMarker(const dbase::Date& d) {
  return d == dbase::Date{std::chrono::year(1899), std::chrono::December, std::chrono::day(31)};
}

QString Utf8(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// Counts a nesting of loads and saves; while one runs the form is busy.
struct BusyScope {
  explicit BusyScope(int& b) : busy(b) { ++busy; }
  ~BusyScope() { --busy; }
  int& busy;
};

}  // namespace

struct TRecordForm::Slot {
  int n = 0;
  int page = 0;  // design page
  EdKind kind = EdKind::Line;
  QString defaultLabel;
  QWidget* editor = nullptr;  // the widget in the layout
  QLineEdit* line = nullptr;  // one-line kinds
  TMyBtnEdit* button = nullptr;
  TDateEdit* date = nullptr;
  QPlainTextEdit* memo = nullptr;
  TDbMultiImgControl* picture = nullptr;
  std::unique_ptr<LookupEditor> lookup;
  QLabel* label = nullptr;
};

TRecordForm::TRecordForm(RecordFormHost& host, QWidget* parent) : QWidget(parent), host_(host) {
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
    for (const auto& s : slots_)
      if (s->lookup && (s->editor == control || s->editor->isAncestorOf(control)))
        emit EditListRequested(s->lookup->ListNumber());
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

  bool stretched = false;
  int row = 0;
  for (const auto& fields : kRows[size_t(page)]) {
    int col = 0;
    for (int n : fields) {
      const Design& d = kDesign[n - 1];
      auto slot = std::make_unique<Slot>();
      Slot& s = *slot;
      s.n = n;
      s.page = page;
      s.kind = d.kind;
      s.defaultLabel = d.label;

      switch (d.kind) {
        case EdKind::Line: {
          s.line = new QLineEdit(w);
          s.line->setToolTip(kLineHint);
          s.line->setProperty("tag", n);
          s.line->setContextMenuPolicy(Qt::CustomContextMenu);
          connect(s.line, &QLineEdit::customContextMenuRequested, this, [this, e = s.line](const QPoint& p) {
            textMenu_->PopupFor(e, e->mapToGlobal(p));
          });
          connect(s.line, &QLineEdit::textEdited, this, [this] {
            if (!Busy()) emit Modified();
          });
          s.editor = s.line;
          break;
        }
        case EdKind::Click:
        case EdKind::EMail:
        case EdKind::Date:
        case EdKind::Phone: {
          if (d.kind == EdKind::Click) {
            auto* c = new TClickEdit(w);
            c->SetButtonHint(n == 1 ? kTitleButtonHint : kAddressButtonHint);
            // Capturing from the browser needs the browser link.
            c->Button()->setEnabled(false);
            c->setToolTip(kLineHint);
            c->SetPopupMenu(textMenu_);
            s.button = c;
          } else if (d.kind == EdKind::EMail) {
            auto* e = new TEMailEdit(w);
            e->setToolTip(kEMailHint);
            s.button = e;
          } else if (d.kind == EdKind::Date) {
            s.date = new TDateEdit(w);
            s.button = s.date;
            dateEditors_.push_back(s.date);
            connect(s.date, &TDateEdit::DateFormatChanged, this,
                    [this, e = s.date](int index) { RememberDateFormat(e, index); });
          } else {
            auto* ph = new TPhoneEdit(w);
            ph->SetPopupMenu(textMenu_);
            s.button = ph;
          }
          s.button->SetTag(n);
          s.button->SetHelpTopic(kEditorHelpTopic);
          connect(s.button, &TMyBtnEdit::FontRequested, this, &TRecordForm::ChangeFontOf);
          connect(s.button, &TMyBtnEdit::ColorRequested, this, &TRecordForm::ColorRequested);
          connect(s.button, &TMyBtnEdit::Changed, this, [this] {
            if (!Busy()) emit Modified();
          });
          s.line = s.button;
          s.editor = s.button;
          break;
        }
        case EdKind::Lookup: {
          s.lookup = lookupFactory_ ? lookupFactory_(d.listNo, w) : nullptr;
          if (!s.lookup) s.lookup = std::make_unique<PlainLookup>(d.listNo, w);
          s.editor = s.lookup->Widget();
          s.editor->setParent(w);
          s.editor->setProperty("tag", n);
          if (auto* box = qobject_cast<QComboBox*>(s.editor); box && box->lineEdit()) {
            QLineEdit* le = box->lineEdit();
            // The lookup box brings its own hint.
            if (box->toolTip().isEmpty()) le->setToolTip(kLineHint);
            le->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(le, &QLineEdit::customContextMenuRequested, this, [this, box, le](const QPoint& p) {
              listMenu_->PopupFor(box, le->mapToGlobal(p));
            });
            connect(le, &QLineEdit::textEdited, this, [this] {
              if (!Busy()) emit Modified();
            });
          }
          break;
        }
        case EdKind::Memo: {
          s.memo = new QPlainTextEdit(w);
          s.memo->setToolTip(kMemoHint);
          s.memo->setProperty("tag", n);
          s.memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
          s.memo->setTabChangesFocus(true);
          s.memo->setContextMenuPolicy(Qt::CustomContextMenu);
          connect(s.memo, &QPlainTextEdit::customContextMenuRequested, this, [this, e = s.memo](const QPoint& p) {
            textMenu_->PopupFor(e, e->mapToGlobal(p));
          });
          connect(s.memo, &QPlainTextEdit::textChanged, this, [this] {
            if (!Busy()) emit Modified();
          });
          s.editor = s.memo;
          break;
        }
        case EdKind::Picture: {
          s.picture = new TDbMultiImgControl(w);
          s.picture->SetTag(n);
          if (n == 10) {
            s.picture->SetToolBarHidden(true);
            s.picture->setFocusPolicy(Qt::ClickFocus);
          } else {
            s.picture->setFocusPolicy(Qt::StrongFocus);
          }
          connect(s.picture, &TMultiImgControl::Changed, this, [this] {
            if (!Busy()) emit Modified();
          });
          s.editor = s.picture;
          break;
        }
      }
      s.editor->setObjectName(QString("R%1").arg(n - 1));
      s.editor->setProperty("helpTopic", d.kind == EdKind::Picture ? kPictureHelpTopic : kEditorHelpTopic);
      s.editor->installEventFilter(this);
      if (s.kind == EdKind::Lookup)
        if (auto* box = qobject_cast<QComboBox*>(s.editor); box && box->lineEdit())
          box->lineEdit()->installEventFilter(this);

      s.label = new QLabel(d.label, w);
      s.label->setObjectName(QString("Label_R%1").arg(n - 1));
      s.label->setProperty("tag", n);
      s.label->setToolTip(kLabelHint);
      s.label->setCursor(Qt::PointingHandCursor);
      s.label->setAutoFillBackground(true);
      s.label->setBuddy(s.editor);
      s.label->installEventFilter(this);

      const bool big = d.kind == EdKind::Memo || d.kind == EdKind::Picture;
      const int span = fields.size() == 1 ? 3 : 1;
      if (big) {
        // A memo or picture alone on its row: the label above it, the
        // editor taking the room the page gives.
        grid->addWidget(s.label, row, 0, 1, 4);
        grid->addWidget(s.editor, row + 1, 0, 1, 4);
        grid->setRowStretch(row + 1, 1);
        stretched = true;
        ++row;
      } else {
        grid->addWidget(s.label, row, col, Qt::AlignVCenter | Qt::AlignLeft);
        grid->addWidget(s.editor, row, col + 1, 1, span);
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
    const int i = s->n - 1;
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
    if (!s || s->kind == EdKind::Picture) continue;
    s->editor->setFont(s->kind == EdKind::Memo ? memo : line);
  }
}

void TRecordForm::ChangeFontOf(QWidget* editor) {
  bool isMemo = false;
  for (const auto& s : slots_)
    if (s && s->memo && (s->memo == editor || s->memo->isAncestorOf(editor))) isMemo = true;
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
    QPalette p = s->editor->palette();
    if (s->n == highlighted_) {
      p.setColor(QPalette::Base, kRed);
      p.setColor(QPalette::Text, kYellow);
    } else if (!editorsEnabled_) {
      p.setColor(QPalette::Base, system.color(QPalette::Active, QPalette::Base));
      // The grey of disabled text, dark enough to read the record by.
      p.setColor(QPalette::Text, kGray);
    } else if (s->kind != EdKind::Picture) {
      // The text and the multi-line fields' default colours.
      p.setColor(QPalette::Base, kWhite);
      p.setColor(QPalette::Text, kBlack);
    }
    s->editor->setPalette(p);
    if (auto* box = qobject_cast<QComboBox*>(s->editor); box && box->lineEdit())
      box->lineEdit()->setPalette(p);

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
  for (const auto& s : slots_) {
    if (!s) continue;
    if (s->button) s->button->SetEditorEnabled(enabled);
    else if (s->line) s->line->setEnabled(enabled);
    else if (s->lookup) s->lookup->SetEditorEnabled(enabled);
    // Memos stay scrollable: read-only rather than disabled.
    else if (s->memo) s->memo->setReadOnly(!enabled);
    else if (s->picture) s->picture->SetReadOnly(!enabled);
  }
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

void TRecordForm::ProcessPaintOnly() {
  // The window keeps painting, but no click or key starts another command
  // while the form is half loaded or half saved.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TRecordForm::LoadFields(dbase::Table& table, bool fromTemplate) {
  BusyScope busy(busy_);
  const bool hasRecord = table.IsOpen() && table.HasRecord() && !table.Eof();
  for (const auto& sp : slots_) {
    if (!sp) continue;
    Slot& s = *sp;
    const int pos = s.n + 1;
    if (s.picture) {
      if (hasRecord) {
        try {
          TablePictureField field(table, pos);
          s.picture->LoadFromField(field);
        } catch (const dbase::EngineError&) {
          s.picture->Clear();
        }
      } else {
        s.picture->Clear();
      }
    } else if (!hasRecord) {
      if (s.date) s.date->SetDate(QDate());
      else if (s.line) s.line->setText(QString());
      else if (s.lookup) s.lookup->SetText(QString());
      else if (s.memo) s.memo->setPlainText(QString());
    } else if (s.memo) {
      try {
        s.memo->setPlainText(Utf8(table.AsText(pos)));
      } catch (const dbase::EngineError&) {
        s.memo->setPlainText(QString());
        QString record;
        try {
          record = Utf8(table.AsText(3));
        } catch (const dbase::EngineError&) {
        }
        Msg().Show(MsgKind::Error, kCorruptMemo1 + record + "\n" + kCorruptMemo2, MsgButtons::OkHelp,
                   kCorruptMemoHelp);
        // The other editors still show the record.
      }
    } else if (s.date && table.Field(pos).kind == dbase::FieldKind::Date) {
      QDate shown;
      try {
        if (const std::optional<dbase::Date> d = table.AsDate(pos))
          shown = fromTemplate && IsTemplateMarker(*d) ? Today() : FromDb(*d);
      } catch (const dbase::EngineError&) {
      }
      s.date->SetDate(shown);
    } else {
      QString text;
      try {
        text = Utf8(table.AsText(pos));
      } catch (const dbase::EngineError&) {
      }
      if (s.lookup) s.lookup->SetText(text);
      else if (s.line) s.line->setText(text);
    }
    if (s.line) s.line->setCursorPosition(0);
    ProcessPaintOnly();
  }
}

bool TRecordForm::SaveAttempt(dbase::Table& table, bool& memoFailed) {
  if (table.State() != dbase::EditState::Insert) table.Edit();
  for (const auto& sp : slots_) {
    if (!sp) continue;
    Slot& s = *sp;
    const int pos = s.n + 1;
    const dbase::FieldKind kind = table.Field(pos).kind;
    if (s.memo && kind == dbase::FieldKind::Memo) {
      try {
        table.SetText(pos, s.memo->toPlainText().toStdString());
      } catch (const dbase::EngineError&) {
        QString record;
        try {
          record = Utf8(table.AsText(3));
        } catch (const dbase::EngineError&) {
        }
        Msg().Show(MsgKind::Error, kCorruptMemo1 + record + "\n" + kCorruptMemo2, MsgButtons::OkHelp,
                   kCorruptMemoHelp);
        memoFailed = true;
        return false;
      }
    } else if (s.picture) {
      TablePictureField field(table, pos);
      if (s.picture->IsEmpty()) table.Clear(pos);
      else s.picture->SaveToField(field);
    } else if (s.date && kind == dbase::FieldKind::Date) {
      if (keepInvalidDates_ && !s.date->IsEmptyDate()) {
        const DateMask& mask = s.date->Mask();
        if (!mask.IsValid(mask.Complete(s.date->text()))) continue;
        s.date->CompleteText();
      }
      if (s.date->IsEmptyDate() || !s.date->Date().isValid()) table.SetDate(pos, std::nullopt);
      else table.SetDate(pos, ToDb(s.date->Date()));
    } else {
      const QString text = s.lookup ? s.lookup->Text() : s.line ? s.line->text() : QString();
      if (kind == dbase::FieldKind::Numeric) {
        table.SetNumber(pos, ParseLooseNumber(text));
      } else {
        const QByteArray cut = Utf8Cut(text, kTextFieldBytes);
        table.SetText(pos, std::string_view(cut.constData(), size_t(cut.size())));
      }
    }
    ProcessPaintOnly();
  }

  // Only the shown record has a place under the letter tabs; the copy
  // buffer and templates do not.
  const bool shown = &table == &host_.EditTable();
  const char oldLetter = !shown || host_.NewRecordMode() ? 0 : host_.ShownRecordLetter();
  const char newLetter = shown ? tables::Db().Index.RecordLetter(table) : 0;
  table.Post();
  table.Flush();
  if (newLetter != 0 && newLetter != oldLetter) host_.RecordLetterChanged(oldLetter, newLetter);
  return true;
}

bool TRecordForm::SaveFields(dbase::Table& table) {
  if (!table.IsOpen()) return false;
  BusyScope busy(busy_);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool saved = false;
  for (int attempt = 0; attempt < kMaxSaveAttempts && !saved; ++attempt) {
    bool memoFailed = false;
    try {
      saved = SaveAttempt(table, memoFailed);
      if (memoFailed) break;  // retrying cannot write a damaged memo
    } catch (const dbase::DatabaseError&) {
      continue;  // the engine refused: try again
    } catch (const dbase::EngineError&) {
      break;  // a value the field cannot hold
    }
  }
  QApplication::restoreOverrideCursor();
  return saved;
}

void TRecordForm::ClearFields() {
  BusyScope busy(busy_);
  for (const auto& s : slots_) {
    if (!s) continue;
    if (s->date) s->date->SetDate(QDate());
    else if (s->line) s->line->clear();
    else if (s->lookup) s->lookup->SetText(QString());
    else if (s->memo) s->memo->clear();
    else if (s->picture) s->picture->Clear();
  }
}

bool TRecordForm::IsFormBlank() const {
  for (const auto& s : slots_) {
    if (!s) continue;
    if (s->picture) {
      if (!s->picture->IsEmpty()) return false;
    } else if (s->date) {
      if (!s->date->IsEmptyDate()) return false;
    } else if (s->line) {
      if (!IsBlank(s->line->text())) return false;
    } else if (s->lookup) {
      if (!IsBlank(s->lookup->Text())) return false;
    } else if (s->memo) {
      if (!IsBlank(s->memo->toPlainText())) return false;
    }
  }
  return true;
}

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
  QWidget* f = QApplication::focusWidget();
  if (!f) return;
  for (const auto& s : slots_)
    if (s && s->lookup && s->editor && (s->editor == f || s->editor->isAncestorOf(f))) s->lookup->AddTypedValue();
}

bool TRecordForm::SaveCurrentRecord() {
  if (Busy()) return false;
  if (host_.ReadOnlyDatabase() || host_.RecordInUse()) {
    host_.SetRecordSaved(true);
    return true;
  }
  // Commands leave the record without taking the focus from a lookup box.
  CommitFocusedLookup();
  if (!CheckDates()) {
    host_.SetRecordSaved(false);
    return false;
  }
  dbase::Table& table = host_.EditTable();
  auto cancelPending = [&table] {
    try {
      if (table.IsOpen() && table.State() != dbase::EditState::Browse) table.Cancel();
    } catch (const dbase::EngineError&) {
    }
  };
  bool ok = false;
  if (IsFormBlank()) {
    // A blank form is never stored: a new record is dropped, an existing
    // one keeps what it held.
    cancelPending();
    ok = true;
  } else {
    bool appended = true;
    if (host_.NewRecordMode()) {
      try {
        table.Append();
      } catch (const dbase::EngineError&) {
        appended = false;
      }
    }
    ok = appended && SaveFields(table);
    if (!ok) {
      const bool goOn = Msg().Show(MsgKind::Warning, kCouldNotUpdate, MsgButtons::YesNo) == MsgAnswer::Yes;
      // Nothing half-saved may be posted later by a move of the table.
      const bool wasEdit = table.IsOpen() && table.State() == dbase::EditState::Edit;
      cancelPending();
      if (!goOn && wasEdit) {
        // Keep the shown record held, as it was before the attempt.
        try {
          table.Edit();
        } catch (const dbase::EngineError&) {
        }
      }
      ok = goOn;
    }
  }
  host_.SetRecordSaved(ok);
  return ok;
}

bool TRecordForm::SaveCurrentRecordUnattended() {
  if (Busy()) return false;
  if (host_.ReadOnlyDatabase() || host_.RecordInUse()) {
    host_.SetRecordSaved(true);
    return true;
  }
  UnattendedMessages silent;
  ScopedMessages quiet(silent);
  CommitFocusedLookup();
  dbase::Table& table = host_.EditTable();
  bool saved = true;
  try {
    if (IsFormBlank()) {
      if (table.IsOpen() && table.State() != dbase::EditState::Browse) table.Cancel();
    } else {
      if (host_.NewRecordMode()) table.Append();
      keepInvalidDates_ = true;
      saved = SaveFields(table);
      keepInvalidDates_ = false;
    }
  } catch (const dbase::EngineError&) {
    keepInvalidDates_ = false;
    saved = false;
  }
  if (!saved) {
    // Left as stored: nothing half-saved stays pending.
    try {
      if (table.IsOpen() && table.State() != dbase::EditState::Browse) table.Cancel();
    } catch (const dbase::EngineError&) {
    }
  }
  host_.SetRecordSaved(true);
  return saved;
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
  if (n < 1 || n > kFieldCount || !slots_[size_t(n - 1)]) return -1;
  QWidget* page = slots_[size_t(n - 1)]->editor->parentWidget();
  return pages_->indexOf(page);
}

// ------------------------------------------------------- highlight, access

void TRecordForm::HighlightField(int n, int start, int length) {
  if (n < 1 || n > kFieldCount || !slots_[size_t(n - 1)]) return;
  Slot& s = *slots_[size_t(n - 1)];
  ShowPage(PageOfField(n));
  if (!host_.RecordInUse()) s.editor->setFocus(Qt::OtherFocusReason);
  highlighted_ = n;
  ApplyColors();
  if (s.memo) {
    QTextCursor c = s.memo->textCursor();
    const int size = s.memo->document()->characterCount() - 1;
    const int from = std::clamp(start, 0, std::max(0, size));
    c.setPosition(from);
    c.setPosition(std::clamp(from + length, from, std::max(from, size)), QTextCursor::KeepAnchor);
    s.memo->setTextCursor(c);
    s.memo->ensureCursorVisible();
  }
}

void TRecordForm::ClearHighlight() {
  if (highlighted_ == 0) return;
  highlighted_ = 0;
  ApplyColors();
}

QWidget* TRecordForm::Editor(int n) const {
  if (n < 1 || n > kFieldCount || !slots_[size_t(n - 1)]) return nullptr;
  return slots_[size_t(n - 1)]->editor;
}

QLabel* TRecordForm::Label(int n) const {
  if (n < 1 || n > kFieldCount || !slots_[size_t(n - 1)]) return nullptr;
  return slots_[size_t(n - 1)]->label;
}

QString TRecordForm::FieldText(int n) const {
  if (n < 1 || n > kFieldCount || !slots_[size_t(n - 1)]) return {};
  const Slot& s = *slots_[size_t(n - 1)];
  if (s.lookup) return s.lookup->Text();
  if (s.line) return s.line->text();
  if (s.memo) return s.memo->toPlainText();
  return {};
}

void TRecordForm::SetFieldText(int n, const QString& text) {
  if (n < 1 || n > kFieldCount || !slots_[size_t(n - 1)]) return;
  Slot& s = *slots_[size_t(n - 1)];
  if (s.lookup) s.lookup->SetText(text);
  else if (s.line) s.line->setText(text);
  else if (s.memo) s.memo->setPlainText(text);
}

// ------------------------------------------------------------------ focus

bool TRecordForm::AcceptsFocus(int n) const {
  if (n < 1 || n > kFieldCount || !slots_[size_t(n - 1)]) return false;
  const QWidget* e = slots_[size_t(n - 1)]->editor;
  return e->isEnabled() && (e->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

void TRecordForm::FocusFirstEditor() {
  const int page = pages_->currentIndex();
  for (int n = 1; n <= kFieldCount; ++n)
    if (PageOfField(n) == page && AcceptsFocus(n)) {
      slots_[size_t(n - 1)]->editor->setFocus(Qt::TabFocusReason);
      return;
    }
}

bool TRecordForm::FocusStep(QWidget* from, bool forward) {
  int current = 0;
  for (const auto& s : slots_)
    if (s && (s->editor == from || s->editor->isAncestorOf(from))) current = s->n;
  if (current == 0) return false;
  const int count = pages_->count();
  int page = PageOfField(current);
  // Further on the same page, in field-number order.
  for (int n = current + (forward ? 1 : -1); n >= 1 && n <= kFieldCount; n += forward ? 1 : -1)
    if (PageOfField(n) == page && AcceptsFocus(n)) {
      slots_[size_t(n - 1)]->editor->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return true;
    }
  // Then the next (previous) page's first (last) editor, round the pages.
  for (int step = 1; step <= count; ++step) {
    const int p = ((page + (forward ? step : -step)) % count + count) % count;
    for (int k = 0; k < kFieldCount; ++k) {
      const int n = forward ? k + 1 : kFieldCount - k;
      if (PageOfField(n) == p && AcceptsFocus(n)) {
        pages_->setCurrentIndex(p);
        slots_[size_t(n - 1)]->editor->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
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
    for (const auto& s : slots_)
      if (s && (s->editor == watched || s->editor->isAncestorOf(qobject_cast<QWidget*>(watched)))) {
        emit EditorFocused(s->n);
        break;
      }
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
