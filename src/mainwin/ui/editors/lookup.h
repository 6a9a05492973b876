// The lookup box of the lookup fields ("Category 1:", "Category 2:", "Type:",
// "User Field 3:", "User Field 4:"): an editable drop-down over a list table
// that completes typed text from the list and adds every new value typed.
#pragma once

#include <QComboBox>
#include <QPointer>

#include "mainwin/ui/editors/edit_menu.h"
#include "tables/lookup_list.h"

namespace quillary {

class TLookup : public QComboBox {
  Q_OBJECT
 public:
  explicit TLookup(QWidget* parent = nullptr);
  // Leaving with a new text adds it, also when the window goes away.
  ~TLookup() override;

  // The list table's file name, relative to the current database directory;
  // setting it binds the control (creating a missing list from the
  // template) and loads the items. An empty source unbinds.
  void SetSource(const QString& source);
  QString Source() const { return list_.Source(); }
  tables::LookupList::Binding Binding() const { return list_.State(); }
  // Items shown sorted (letter case ignored), else in table order.
  void SetSorted(bool sorted);
  bool Sorted() const { return sorted_; }
  // Another lookup bound to the same list, reloaded with this one.
  void SetTwin(TLookup* twin) { twin_ = twin; }

  // Reads the list table anew; the text being edited stays.
  void LoadItems();
  QStringList Items() const;
  // Adds a non-empty text that is not an item yet to the items and to the
  // list table; then every lookup on the same list reloads.
  void AddTypedValue();

  // The text as the record form reads and writes it.
  QString Text() const { return currentText(); }
  void SetText(const QString& text);
  // The form's enable/disable (read-only databases, records in use).
  void SetEditorEnabled(bool enabled) { setEnabled(enabled); }

  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }
  // The shared edit menu (lookup variant) opened on a right click.
  void SetPopupMenu(TEditMenu* menu) { menu_ = menu; }

  // Every lookup control of the process reloads its items (after the list
  // dialog changed the lists).
  static void ReloadAll();

 signals:
  // The user changed the text (typing, auto-fill or choosing an item).
  void Changed();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  bool AutoFill(QChar typed);
  void Leave();
  void ReloadListeners();

  tables::LookupList list_;
  QPointer<TLookup> twin_;
  QPointer<TEditMenu> menu_;
  bool sorted_ = true;
  bool destroying_ = false;
  int tag_ = 0;
};

}  // namespace quillary
