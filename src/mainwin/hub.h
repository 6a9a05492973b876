// The main window as each subsystem's commands see it: what a command may
// ask of the hub, the commands a subsystem contributes to the hub's menus,
// speed bar and keys, and the scope of a long piece of work.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "shell/progress.h"

namespace quillary {

class Browser;
enum class Show;

namespace dbase {
class Table;
}
namespace tables {
struct CurrentDatabase;
}

// What the find and replace dialogs drive the window through.
struct SearchCallbacks {
  std::function<void()> GoToFirstLetter;
  std::function<void()> GoToLastLetter;
  // Steps to the next (or previous) letter that has records; false when
  // there is none.
  std::function<bool(bool forward)> StepLetter;
  // Shows the record the browse table stands on and highlights field n
  // (1..17) from `start` for `length` characters.
  std::function<void(int field, int start, int length)> GoToFound;
  std::function<void(bool enabled)> SetWindowEnabled;
  std::function<void()> ReapplyFilter;
};

// A command a subsystem adds to the hub. A name the window already lists
// ("B_Filter", "B_Sort", ...) takes over that command's menu item, speed-bar
// button and key; a new name gets an item at the end of `menu` and, with a
// `speedBarPage`, a button at the end of that page.
struct HubCommand {
  QString name;          // control name, "B_" + role
  QString text;          // menu text with its accelerator ("&Filter")
  QString menu;          // top menu by its text ("&Search"); empty: none
  int speedBarPage = -1;  // 0 "Standard", 1 "Advanced", -1 none
  QString key;           // "Ctrl+F", "Alt+Y"; empty: none
  QString hint;          // tool tip
  // The whole enabled rule, the read-only state included; asked whenever
  // the window updates its commands. Null: always enabled.
  std::function<bool()> enabled;
  // Runs after the hub saved the shown record (it does not run when the
  // user chose to stay on the record).
  std::function<void()> run;
  // False for the commands on the shown record as typed (delete, copy,
  // paste, undo, ...): they run without the save.
  bool saveFirst = true;
};

// Held for the length of a long operation: the wait cursor, and with a
// caption the progress window; no other command starts meanwhile.
class WorkScope {
 public:
  WorkScope(const QString& progressCaption, int maximum, std::function<void()> onEnd = {});
  ~WorkScope();
  WorkScope(const WorkScope&) = delete;
  WorkScope& operator=(const WorkScope&) = delete;
  // Null without a caption.
  ProgressWindow* Progress() { return progress_ ? &*progress_ : nullptr; }

 private:
  WaitCursor cursor_;
  std::optional<ProgressWindow> progress_;
  std::function<void()> onEnd_;
};

class Hub {
 public:
  virtual ~Hub() = default;
  // The shown record saved (the form's rule, which may ask); false when the
  // user chose to stay, and the command must not run.
  virtual bool SaveBeforeCommand() = 0;
  // The edit table opened again and the first record of the list shown.
  virtual void Reload() = 0;
  // The order or filter changed: letters counted again, back at "A".
  virtual void AfterDataChange() = 0;
  virtual bool DatabaseOpened() const = 0;
  virtual tables::CurrentDatabase& Database() = 0;
  // The table object standing on the shown record.
  virtual dbase::Table& EditTable() = 0;
  // The letter, page and shown record, with their moves.
  virtual Browser& Browsing() = 0;
  // Runs a move of the browsing state, marked busy, and shows what it says.
  virtual void RunMove(const std::function<Show()>& move) = 0;
  virtual bool NewRecordMode() const = 0;
  virtual bool RecordInUse() const = 0;
  virtual bool ReadOnlyDatabase() const = 0;
  virtual const SearchCallbacks& Callbacks() const = 0;
  // A command, or the form's load or save, is running.
  virtual bool IsBusy() const = 0;
  // Runs a piece of a command so that no error escapes to the event loop:
  // an error is shown and the list shows what the tables hold now.
  virtual void Guarded(const std::function<void()>& work) = 0;
  virtual std::unique_ptr<WorkScope> BeginWork(const QString& progressCaption = {}, int maximum = 0) = 0;
  virtual void AddCommand(HubCommand command) = 0;
  // A command of the window by its control name, as its menu item runs it:
  // only when enabled and no other command runs.
  virtual void RunCommand(const QString& name) = 0;
  virtual bool CommandEnabled(const QString& name) const = 0;
  // Tray mode: `keepInTray` is asked when the window is closed or minimised
  // (true: it only hides), `hiddenToTray` told when it hid itself so.
  virtual void SetTrayMode(std::function<bool()> keepInTray, std::function<void()> hiddenToTray) = 0;
  // The commands' enabled rules asked again.
  virtual void UpdateCommands() = 0;
};

}  // namespace quillary
