#include "mainwin/ui/view_options_commands.h"

#include <QActionGroup>
#include <QFontDialog>
#include <QMenu>
#include <algorithm>

#include "mainwin/hub.h"
#include "mainwin/ui/editors/editor_support.h"
#include "shell/options.h"
#include "tables/database.h"

namespace quillary {

QFont RecordButtonFont() {
  const FontRecord& r = Opt().RecordButtonFont;
  // A stored size too small to read still gives buttons one can read.
  QFont f(r.Name(), std::max(6, r.Size()));
  f.setBold(r.Style() & FontRecord::Bold);
  f.setItalic(r.Style() & FontRecord::Italic);
  f.setUnderline(r.Style() & FontRecord::Underline);
  f.setStrikeOut(r.Style() & FontRecord::StrikeOut);
  return f;
}

TViewOptionsCommands::TViewOptionsCommands(Hub& hub, ViewLayout layout, QWidget* window)
    : QObject(window), hub_(hub), layout_(std::move(layout)) {
  popup_ = new QMenu(window);
  popup_->setObjectName("PopupMenu2");
  chooseFont = [window](const QFont& initial) -> std::optional<QFont> {
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, initial, window);
    if (!ok) return std::nullopt;
    return f;
  };
}

QMenu* TViewOptionsCommands::PrepareOptionsPopup() {
  QMenu* m = popup_;
  m->clear();
  OptionStore& o = Opt();
  auto radio = [this](QMenu* menu, const QStringList& items, int current, std::function<void(int)> set) {
    auto* group = new QActionGroup(menu);
    for (int i = 0; i < items.size(); ++i) {
      QAction* a = menu->addAction(items[i]);
      a->setCheckable(true);
      a->setChecked(i == current);
      group->addAction(a);
      connect(a, &QAction::triggered, this, [set, i] { set(i); });
    }
  };
  QMenu* bars = m->addMenu("&Menus And SpeedBars");
  radio(bars, {"Show Both", "Show Only Menus", "Show Only Speed Bars"}, o.MenusAndSpeedBars, [this](int v) {
    Opt().MenusAndSpeedBars = v;
    layout_.showMenusAndSpeedBars();
  });
  bars->addSeparator();
  radio(bars, {"Speed Bar At The Top", "Speed Bar At The Bottom"}, o.SpeedBarLocation, [this](int v) {
    Opt().SpeedBarLocation = v;
    layout_.arrangePanes();
  });
  QMenu* tabs = m->addMenu("&Letter Tabs");
  radio(tabs, {"Enabled", "Disabled"}, o.LetterTabs, [this](int v) { SetLetterTabs(v); });
  tabs->addSeparator();
  radio(tabs, {"Display In Center", "Display On Right Side"}, o.LetterTabsLocation, [this](int v) {
    Opt().LetterTabsLocation = v;
    layout_.arrangePanes();
  });
  QMenu* hints = m->addMenu("H&int Messages");
  radio(hints, {"Show", "Hide"}, o.HintMessages, [](int v) { Opt().HintMessages = v; });
  QMenu* del = m->addMenu("&Record Delete Mode");
  radio(del, {"Ask User To Confirm", "Immediate Delete"}, o.RecordDeleteMode,
        [](int v) { Opt().RecordDeleteMode = v; });
  m->addSeparator();
  m->addAction("&Help")->setEnabled(false);
  return m;
}

void TViewOptionsCommands::SetLetterTabs(int value) {
  if (Opt().LetterTabs == value || hub_.IsBusy()) return;
  if (!hub_.SaveBeforeCommand()) return;
  tables::TIndex& index = hub_.Database().Index;
  index.Remember();
  Opt().LetterTabs = value;
  if (value == 0) index.CountLetters();
  // The sort itself is unchanged: the tabs' state, "A" and the record.
  layout_.letterTabsState();
  hub_.Callbacks().GoToFirstLetter();
  hub_.Reload();
}

void TViewOptionsCommands::ChangeRecordButtonFont() {
  if (!chooseFont) return;
  if (const auto f = chooseFont(RecordButtonFont())) {
    Opt().RecordButtonFont = ToFontRecord(*f);
    layout_.recordButtonFont();
  }
}

}  // namespace quillary
