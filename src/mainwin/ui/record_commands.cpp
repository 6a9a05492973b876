#include "mainwin/ui/record_commands.h"

#include <QMenu>

#include "mainwin/browser.h"
#include "mainwin/hub.h"
#include "mainwin/ui/record_form.h"
#include "mainwin/ui/record_template_commands.h"
#include "mainwin/ui/view_options_commands.h"
#include "shell/messages.h"
#include "tables/copy_buffer.h"
#include "tables/database.h"

namespace quillary {

namespace {

struct RecordCommand {
  const char* name;
  const char* text;
  const char* hint;
  void (TRecordCommands::*run)();
};

const RecordCommand kCommands[] = {
    {"B_New", "&New Record", "", &TRecordCommands::New},
    {"B_RDelete", "&Delete Record", "Delete Current Record", &TRecordCommands::Delete},
    {"B_RCopy", "&Copy Record", "Copy Current Record", &TRecordCommands::Copy},
    {"B_RPaste", "&Paste Record", "Paste Record", &TRecordCommands::Paste},
    {"B_RUndo", "&Undo Changes", "Undo Changes", &TRecordCommands::Undo},
    {"B_RSynchro", "S&ynchronize", "Synchronize List With The Current Record", &TRecordCommands::Synchronize},
};

// The record form popup's commands on the shown record, in their order.
const std::pair<const char*, const char*> kFormPopupItems[] = {
    {"B_RPaste", "&Paste Record"}, {"B_RCopy", "&Copy Record"},   {"B_RUndo", "&Undo Changes"},
    {"B_RDelete", "&Delete Record"}, {"B_RPrint", "P&rint Record"}, {"B_RSynchro", "S&ynchronize"},
};

}  // namespace

TRecordCommands::TRecordCommands(Hub& hub, TRecordForm& form, TRecordTemplateCommands& templates,
                                 TViewOptionsCommands& view, QWidget* window)
    : QObject(window), hub_(hub), form_(form), templates_(templates), view_(view) {
  buttonPopup_ = new QMenu(window);
  buttonPopup_->setObjectName("PopupMenu1");
  formPopup_ = new QMenu(window);
  formPopup_->setObjectName("PopupMenu3");
  Contribute();
}

void TRecordCommands::Contribute() {
  for (const RecordCommand& rc : kCommands) {
    HubCommand c;
    c.name = rc.name;
    c.text = rc.text;
    c.hint = rc.hint;
    c.run = [this, run = rc.run] { (this->*run)(); };
    // They act on the record as typed; the moves among them save it
    // themselves.
    c.saveFirst = false;
    const QString name = rc.name;
    if (name == "B_New" || name == "B_RCopy") c.enabled = [this] { return !hub_.ReadOnlyDatabase(); };
    else if (name == "B_RPaste") c.enabled = [this] { return PasteEnabled(); };
    else if (name != "B_RSynchro") c.enabled = [this] { return !Locked(); };
    hub_.AddCommand(c);
  }
}

bool TRecordCommands::Locked() const { return hub_.ReadOnlyDatabase() || hub_.RecordInUse(); }

bool TRecordCommands::PasteEnabled() const { return !Locked() && hub_.Database().CopyBufferFilled; }

// ============================================================ shown record

void TRecordCommands::New() {
  if (hub_.ReadOnlyDatabase()) return;
  Browser& b = hub_.Browsing();
  hub_.RunMove([&b] { return b.NewRecord(); });
  if (!b.NewRecordMode() || b.RecordInUse() || hub_.ReadOnlyDatabase()) return;
  form_.FocusFirstEditor();
  templates_.FillNewRecord();
}

void TRecordCommands::Delete() {
  if (Locked() || form_.IsFormBlank()) return;
  if (!Browser::ConfirmDelete()) return;
  DeleteShown();
}

void TRecordCommands::DeleteShown() {
  Browser& b = hub_.Browsing();
  // A new record is only the typed fields.
  if (b.NewRecordMode()) {
    hub_.RunMove([this] {
      form_.ClearFields();
      return Show::Nothing;
    });
    return;
  }
  hub_.RunMove([&b] { return b.DeleteShown(); });
}

void TRecordCommands::Copy() {
  if (hub_.ReadOnlyDatabase()) return;
  if (form_.IsFormBlank()) {
    Msg().Warning(tables::text::kEmptyNotCopied);
    return;
  }
  hub_.RunMove([this] {
    try {
      if (dbase::Table* c = Browser::CopyBufferRecord(true)) {
        if (form_.SaveFields(*c)) hub_.Database().CopyBufferFilled = true;
      }
    } catch (const dbase::EngineError&) {
      // Nothing was copied: the buffer keeps what it held.
      dbase::Table& c = hub_.Database().CopyBuffer;
      try {
        if (c.State() != dbase::EditState::Browse) c.Cancel();
      } catch (const dbase::EngineError&) {
        // Cancelling writes nothing.
      }
    }
    return Show::Nothing;
  });
  hub_.UpdateCommands();
}

void TRecordCommands::Paste() {
  if (!PasteEnabled()) return;
  if (dbase::Table* c = Browser::CopyBufferRecord(false)) form_.LoadFields(*c);
}

void TRecordCommands::Undo() {
  if (Locked()) return;
  dbase::Table& e = hub_.EditTable();
  if (hub_.NewRecordMode()) form_.ClearFields();
  else if (e.IsOpen() && e.HasRecord()) form_.LoadFields(e);
}

void TRecordCommands::Synchronize() {
  Browser& b = hub_.Browsing();
  hub_.RunMove([&b] { return b.Synchronize(); });
}

// ================================================== any record of the page

void TRecordCommands::CopyAt(int64_t position) {
  if (hub_.IsBusy()) return;
  hub_.Browsing().CopyAt(position);
  hub_.UpdateCommands();
}

void TRecordCommands::PasteAt(int64_t position) {
  if (hub_.IsBusy()) return;
  Browser& b = hub_.Browsing();
  // The shown record takes the paste in its editors.
  if (b.PastesIntoForm(position)) {
    Paste();
    return;
  }
  hub_.RunMove([&b, position] { return b.PasteAt(position); });
}

void TRecordCommands::DeleteAt(int64_t position) {
  if (hub_.IsBusy()) return;
  Browser& b = hub_.Browsing();
  if (!b.HasRecordAt(position)) {
    Msg().Information(browse_text::kEmptyNotDeleted);
    return;
  }
  if (b.IsShownAt(position)) {
    if (Locked()) return;
    if (!Browser::ConfirmDelete()) return;
    DeleteShown();
    return;
  }
  if (!Browser::ConfirmDelete()) return;
  hub_.RunMove([&b, position] { return b.DeleteAt(position); });
}

// =================================================================== popups

void TRecordCommands::FillFieldMenu(QMenu* menu, dbase::Table& table) {
  menu->clear();
  tables::FillRecordMenu(table, [menu](const QString& caption) { menu->addAction(caption); });
}

QMenu* TRecordCommands::PrepareRecordButtonPopup(int k) {
  Browser& b = hub_.Browsing();
  const int64_t position = b.ButtonPosition(k);
  const bool beyond = !b.HasRecordAt(position);
  const bool ro = hub_.ReadOnlyDatabase();
  const bool filled = hub_.Database().CopyBufferFilled;
  QMenu* m = buttonPopup_;
  m->clear();
  m->addAction("&Go To Web Page")->setEnabled(false);
  QMenu* capture = m->addMenu("Capture &Web Page");
  capture->addAction("Into New Record")->setEnabled(false);
  capture->addAction("Into Current Record")->setEnabled(false);
  capture->setEnabled(false);
  m->addSeparator();
  QMenu* quick = m->addMenu("&Quick View");
  quick->setEnabled(!beyond);
  connect(quick, &QMenu::aboutToShow, this, [this, quick, position] {
    if (dbase::Table* r = hub_.Browsing().RecordAt(position)) FillFieldMenu(quick, *r);
  });
  QMenu* view = m->addMenu("&View Copy Buffer");
  view->setEnabled(!ro && filled);
  connect(view, &QMenu::aboutToShow, this, [this, view] {
    if (dbase::Table* c = Browser::CopyBufferRecord(false)) FillFieldMenu(view, *c);
  });
  m->addSeparator();
  auto item = [this, m, position](const QString& text, bool enabled, void (TRecordCommands::*run)(int64_t)) {
    QAction* a = m->addAction(text);
    a->setEnabled(enabled);
    connect(a, &QAction::triggered, this, [this, position, run] {
      hub_.Guarded([this, position, run] { (this->*run)(position); });
    });
  };
  item("&Copy Record", !ro, &TRecordCommands::CopyAt);
  item("&Paste Record", !ro && filled, &TRecordCommands::PasteAt);
  item("&Delete Record", !ro, &TRecordCommands::DeleteAt);
  m->addAction("P&rint Record")->setEnabled(false);
  m->addSeparator();
  connect(m->addAction("&Font..."), &QAction::triggered, &view_, &TViewOptionsCommands::ChangeRecordButtonFont);
  m->addAction("C&olor...")->setEnabled(false);
  m->addSeparator();
  m->addAction("&Help")->setEnabled(false);
  return m;
}

QMenu* TRecordCommands::PrepareRecordFormPopup() {
  QMenu* m = formPopup_;
  m->clear();
  m->addAction("&Go To Web Page")->setEnabled(false);
  m->addAction("Capture &Web Page")->setEnabled(false);
  templates_.AddToRecordMenu(m, Locked());
  QMenu* view = m->addMenu("&View Copy Buffer");
  view->setEnabled(hub_.CommandEnabled("B_RPaste"));
  connect(view, &QMenu::aboutToShow, this, [this, view] {
    if (dbase::Table* c = Browser::CopyBufferRecord(false)) FillFieldMenu(view, *c);
  });
  m->addSeparator();
  for (const auto& [name, text] : kFormPopupItems) {
    QAction* item = m->addAction(text);
    item->setEnabled(hub_.CommandEnabled(name));
    connect(item, &QAction::triggered, this, [this, n = QString(name)] { hub_.RunCommand(n); });
  }
  m->addSeparator();
  m->addAction("&Help")->setEnabled(false);
  return m;
}

}  // namespace quillary
