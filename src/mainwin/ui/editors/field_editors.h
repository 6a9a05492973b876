// The record form's field editors behind one interface: an adapter per
// editor kind over the controls of this folder, made by one factory that
// also gives each its hint, popup menu and signals.
#pragma once

#include <QPalette>
#include <QString>
#include <functional>
#include <memory>

#include "mainwin/field_editor.h"

class QWidget;

namespace quillary {

class TEditMenu;

// A lookup field's editor as the form sees it. The form's own is a plain
// editable combo box; the main window may install the real lookup box.
class LookupEditor {
 public:
  virtual ~LookupEditor() = default;
  virtual QWidget* Widget() = 0;
  virtual QString Text() const = 0;
  virtual void SetText(const QString& text) = 0;
  virtual void SetEditorEnabled(bool enabled) = 0;
  // listNo 1..5: "list1.dbf" .. "list5.dbf".
  virtual int ListNumber() const = 0;
  // The record is being left while the editor has the focus: a new value
  // typed joins the list as if the editor had been left.
  virtual void AddTypedValue() {}
};
using LookupFactory = std::function<std::unique_ptr<LookupEditor>(int listNo, QWidget* parent)>;

enum class FieldEditorKind {
  Line,            // plain one-line text
  TitleCapture,    // one-line text whose button captures the browser's page title
  AddressCapture,  // ... or its address
  EMail,
  Date,
  Phone,
  Lookup,  // a text with a list of earlier values
  Memo,    // multi-line text
  Logo,    // a small picture without the picture tool bar
  Picture,
};

// Which of the option store's fonts an editor shows its text in.
enum class EditorFont { Line, Memo, None };

// A field editor as the form lays it out, colours it and moves the focus.
class FormFieldEditor : public FieldEditor {
 public:
  int FieldNumber() const override { return n_; }
  void Highlight(int start, int length) override {
    (void)start;
    (void)length;
  }

  // The control in the page's layout.
  QWidget* Widget() const { return widget_; }
  // The part of it that takes keys (a combo box's line edit).
  virtual QWidget* InputWidget() const { return widget_; }
  virtual EditorFont Font() const { return EditorFont::Line; }
  // Text editors' text for the capture, paste and find functions; empty
  // and ignored for pictures.
  virtual QString Text() const { return {}; }
  virtual void SetText(const QString& text) { (void)text; }
  // Pictures keep their own colours except while highlighted or disabled.
  virtual bool HasTextColours() const { return true; }
  virtual void SetPalette(const QPalette& palette);
  // 1..5 for lookups, else 0.
  virtual int ListNumber() const { return 0; }
  // Called when a command leaves the record while the editor has the focus.
  virtual void CommitTyped() {}

 protected:
  FormFieldEditor(int n, QWidget* widget) : n_(n), widget_(widget) {}

 private:
  int n_;
  QWidget* widget_;
};

// What the factory needs besides the kind: where the editor goes and what
// its popups and signals reach.
struct FieldEditorSetup {
  int n = 0;  // field number 1..17
  FieldEditorKind kind = FieldEditorKind::Line;
  int listNo = 0;  // lookups: 1..5
  QWidget* parent = nullptr;
  TEditMenu* textMenu = nullptr;    // popup of the text editors
  TEditMenu* lookupMenu = nullptr;  // popup of the lookups
  LookupFactory lookups;            // empty: a plain editable combo box
  // The value changed: typed, and for memos also loaded or cleared (the
  // form ignores changes while it loads).
  std::function<void()> changed;
  std::function<void(QWidget*)> fontRequested;
  std::function<void(QWidget*)> colorRequested;
};

std::unique_ptr<FormFieldEditor> MakeFieldEditor(const FieldEditorSetup& setup);

}  // namespace quillary
