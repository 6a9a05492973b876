// The edit popup menu of plain edits, memos and lookups.
#include "mainwin/ui/editors/edit_menu.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTextCursor>

#include "mainwin/ui/editors/editor_support.h"
#include "shell/messages.h"
#include "shell/options.h"

namespace quillary {

namespace {

QLineEdit* LineOf(QWidget* w) {
  if (auto* l = qobject_cast<QLineEdit*>(w)) return l;
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->lineEdit();
  return nullptr;
}

}  // namespace

TEditMenu::TEditMenu(Variant variant, QWidget* parent) : QMenu(parent), variant_(variant) {
  Undo1 = addAction("&Undo");
  Sep1 = addSeparator();
  Cut1 = addAction("Cu&t");
  Copy1 = addAction("&Copy");
  Paste1 = addAction("&Paste");
  Delete1 = addAction("&Delete");
  Sep2 = addSeparator();
  SelectAll1 = addAction("Select &All");
  Sep3 = addSeparator();
  Load1 = addAction("&Load");
  Save1 = addAction("&Save");
  Sep4 = addSeparator();
  Font1 = addAction("&Font...");
  Color1 = addAction("C&olor...");
  if (variant_ == Variant::Lookup) {
    EditList1 = addAction("&Edit List...");
    AutoFill1 = addAction("Auto-F&ill");
    AutoFill1->setCheckable(true);
  }
  Sep5 = addSeparator();
  Help1 = addAction("&Help");

  connect(Undo1, &QAction::triggered, this, [this] {
    RunOnText([](QLineEdit* l) { l->undo(); }, [](QPlainTextEdit* m) { m->undo(); });
  });
  connect(Cut1, &QAction::triggered, this, [this] {
    RunOnText([](QLineEdit* l) { l->cut(); }, [](QPlainTextEdit* m) { m->cut(); });
  });
  connect(Copy1, &QAction::triggered, this, [this] {
    RunOnText([](QLineEdit* l) { l->copy(); }, [](QPlainTextEdit* m) { m->copy(); });
  });
  connect(Paste1, &QAction::triggered, this, [this] {
    RunOnText([](QLineEdit* l) { l->paste(); }, [](QPlainTextEdit* m) { m->paste(); });
  });
  connect(Delete1, &QAction::triggered, this, [this] {
    RunOnText([](QLineEdit* l) { l->del(); },
              [](QPlainTextEdit* m) { m->textCursor().removeSelectedText(); });
  });
  connect(SelectAll1, &QAction::triggered, this, [this] {
    RunOnText([](QLineEdit* l) { l->selectAll(); }, [](QPlainTextEdit* m) { m->selectAll(); });
  });
  connect(Load1, &QAction::triggered, this, [this] { LoadClick(); });
  connect(Save1, &QAction::triggered, this, [this] { SaveClick(); });
  connect(Font1, &QAction::triggered, this, [this] { emit FontRequested(control_); });
  connect(Color1, &QAction::triggered, this, [this] { emit ColorRequested(control_); });
  if (EditList1)
    connect(EditList1, &QAction::triggered, this, [this] { emit EditListRequested(control_); });
  if (AutoFill1)
    connect(AutoFill1, &QAction::triggered, this, [] { Opt().AutoFill = Opt().AutoFill ? 0 : 1; });
  connect(Help1, &QAction::triggered, this, [this] {
    const QVariant topic = control_ ? control_->property("helpTopic") : QVariant();
    ShowEditorHelp(topic.isValid() ? topic.toInt() : kEditorHelpTopic);
  });
}

void TEditMenu::RunOnText(const std::function<void(QLineEdit*)>& line,
                          const std::function<void(QPlainTextEdit*)>& memo) {
  if (auto* m = qobject_cast<QPlainTextEdit*>(control_.data())) memo(m);
  else if (QLineEdit* l = LineOf(control_)) line(l);
}

void TEditMenu::Prepare(QWidget* control) {
  control_ = control;
  if (!control) return;
  control->setFocus(Qt::PopupFocusReason);
  auto* memo = qobject_cast<QPlainTextEdit*>(control);
  QLineEdit* line = LineOf(control);
  bool selected = false, hasText = false, canUndo = false, readOnly = false;
  if (memo) {
    selected = memo->textCursor().hasSelection();
    hasText = !memo->document()->isEmpty();
    canUndo = memo->document()->isUndoAvailable();
    readOnly = memo->isReadOnly();
  } else if (line) {
    selected = line->hasSelectedText();
    hasText = !line->text().isEmpty();
    canUndo = line->isUndoAvailable();
    readOnly = line->isReadOnly();
  }
  Sep3->setVisible(memo != nullptr);
  Load1->setVisible(memo != nullptr);
  Save1->setVisible(memo != nullptr);
  Cut1->setEnabled(selected && !readOnly);
  Copy1->setEnabled(selected);
  Delete1->setEnabled(selected && !readOnly);
  Paste1->setEnabled(!readOnly);
  Load1->setEnabled(!readOnly);
  SelectAll1->setEnabled(!selected && hasText);
  Undo1->setEnabled(canUndo && !readOnly);
  const bool lookup = variant_ == Variant::Lookup;
  Undo1->setVisible(!lookup);
  Sep1->setVisible(!lookup);
  if (AutoFill1) AutoFill1->setChecked(Opt().AutoFill != 0);
}

void TEditMenu::PopupFor(QWidget* control, const QPoint& globalPos) {
  Prepare(control);
  popup(globalPos);
}

bool TEditMenu::LoadMemo(const QString& path) {
  auto* memo = qobject_cast<QPlainTextEdit*>(control_.data());
  if (!memo) return false;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    Msg().Error("Could not read the file " + path);
    return false;
  }
  QString text = QString::fromUtf8(f.readAll());
  text.replace("\r\n", "\n");
  text.replace('\r', '\n');
  if (text.endsWith('\n')) text.chop(1);
  memo->setPlainText(text);
  return true;
}

bool TEditMenu::SaveMemo(const QString& path) {
  auto* memo = qobject_cast<QPlainTextEdit*>(control_.data());
  if (!memo) return false;
  QString text = memo->toPlainText();
  QSaveFile f(path);
  bool ok = f.open(QIODevice::WriteOnly);
  if (ok) {
    QByteArray bytes = text.toUtf8().replace("\n", "\r\n");
    if (!bytes.isEmpty()) bytes += "\r\n";
    f.write(bytes);
    ok = f.commit();
  }
  if (!ok) Msg().Error("Could not write the file " + path);
  return ok;
}

void TEditMenu::LoadClick() {
  if (auto file = Msg().ChooseOpenFile("Load", QString(), "Text files (*.txt)")) LoadMemo(*file);
}

void TEditMenu::SaveClick() {
  if (auto file = Msg().ChooseSaveFile("Save", QString(), "Text files (*.txt)")) SaveMemo(*file);
}

}  // namespace quillary
