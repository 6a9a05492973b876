// The lookup box.
#include "mainwin/ui/editors/lookup.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>

#include "mainwin/ui/editors/edit_menu.h"
#include "shell/options.h"

namespace quillary {

namespace {
std::vector<TLookup*>& AllLookups() {
  static std::vector<TLookup*> all;
  return all;
}
}  // namespace

TLookup::TLookup(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  // Completion is the control's own (exact case, first item in display
  // order); Qt's completer would match in any letter case.
  setCompleter(nullptr);
  setInsertPolicy(QComboBox::NoInsert);
  setToolTip("Lookup Field - click on the down arrow to see the choices");
  setProperty("helpTopic", 36);
  lineEdit()->installEventFilter(this);
  connect(lineEdit(), &QLineEdit::textEdited, this, [this] { emit Changed(); });
  connect(this, qOverload<int>(&QComboBox::activated), this, [this] { emit Changed(); });
  AllLookups().push_back(this);
}

TLookup::~TLookup() {
  auto& all = AllLookups();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
  destroying_ = true;
  AddTypedValue();
}

void TLookup::SetSource(const QString& source) {
  list_.Bind(std::filesystem::path(Opt().CurrentDbDir.toStdString()), source);
  LoadItems();
}

void TLookup::SetSorted(bool sorted) {
  sorted_ = sorted;
  LoadItems();
}

QStringList TLookup::Items() const {
  QStringList out;
  for (int i = 0; i < count(); ++i) out << itemText(i);
  return out;
}

void TLookup::SetText(const QString& text) {
  setEditText(text);
  lineEdit()->setCursorPosition(0);
}

void TLookup::LoadItems() {
  const QString text = currentText();
  const int caret = lineEdit()->cursorPosition();
  QStringList items = list_.LoadItems();
  if (sorted_)
    std::stable_sort(items.begin(), items.end(), [](const QString& a, const QString& b) {
      return a.compare(b, Qt::CaseInsensitive) < 0;
    });
  const QSignalBlocker quiet(this);
  clear();
  addItems(items);
  setEditText(text);
  lineEdit()->setCursorPosition(std::min(caret, int(text.size())));
}

void TLookup::AddTypedValue() {
  const QString text = currentText();
  if (text.isEmpty() || Items().contains(text)) return;
  addItem(text);
  if (list_.IsBound() || list_.State() == tables::LookupList::Binding::Unavailable) {
    if (list_.Append(text)) ReloadListeners();
  }
}

void TLookup::ReloadListeners() {
  std::vector<TLookup*> targets;
  for (TLookup* l : AllLookups())
    if (l->list_.Directory() == list_.Directory() &&
        l->Source().compare(Source(), Qt::CaseInsensitive) == 0)
      targets.push_back(l);
  if (twin_ && std::find(targets.begin(), targets.end(), twin_.data()) == targets.end())
    targets.push_back(twin_);
  if (!destroying_ && std::find(targets.begin(), targets.end(), this) == targets.end())
    targets.push_back(this);
  for (TLookup* l : targets) l->LoadItems();
}

void TLookup::ReloadAll() {
  for (TLookup* l : AllLookups()) l->LoadItems();
}

bool TLookup::AutoFill(QChar typed) {
  QLineEdit* edit = lineEdit();
  const int caret = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
  const QString prefix = edit->text().left(caret) + typed;
  const std::optional<QString> match = tables::AutoFillMatch(Items(), prefix);
  if (!match) return false;
  edit->setText(*match);
  edit->setSelection(int(prefix.size()), int(match->size() - prefix.size()));
  emit Changed();
  return true;
}

bool TLookup::eventFilter(QObject* watched, QEvent* e) {
  if (watched == lineEdit()) {
    if (e->type() == QEvent::ContextMenu && menu_) {
      menu_->PopupFor(this, static_cast<QContextMenuEvent*>(e)->globalPos());
      return true;
    }
    if (e->type() == QEvent::KeyPress) {
      auto* k = static_cast<QKeyEvent*>(e);
      const QString t = k->text();
      const bool command = k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
      if (Opt().AutoFill == 1 && !command && t.size() == 1 && t[0].isPrint() &&
          !lineEdit()->isReadOnly() && AutoFill(t[0]))
        return true;
    }
  }
  return QComboBox::eventFilter(watched, e);
}

void TLookup::keyPressEvent(QKeyEvent* k) {
  const QString t = k->text();
  const bool command = k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (Opt().AutoFill == 1 && !command && t.size() == 1 && t[0].isPrint() &&
      !lineEdit()->isReadOnly() && AutoFill(t[0])) {
    k->accept();
    return;
  }
  QComboBox::keyPressEvent(k);
}

void TLookup::focusInEvent(QFocusEvent* e) {
  QComboBox::focusInEvent(e);
  if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason) return;
  lineEdit()->deselect();
  lineEdit()->setCursorPosition(0);
}

void TLookup::focusOutEvent(QFocusEvent* e) {
  QComboBox::focusOutEvent(e);
  if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason) return;
  Leave();
}

void TLookup::Leave() {
  hidePopup();
  AddTypedValue();
}

}  // namespace quillary
