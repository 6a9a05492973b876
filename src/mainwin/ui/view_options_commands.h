// The main window's view options as the user changes them from the options
// popup (F2: menus and speed bars, letter tabs, hints, delete mode) and the
// record buttons' "&Font...": each choice stored and put into effect at once.
#pragma once

#include <QFont>
#include <QObject>
#include <functional>
#include <optional>

class QMenu;
class QWidget;

namespace quillary {

class Hub;

// The record buttons' font as the option store holds it.
QFont RecordButtonFont();

// What a changed option asks of the window's layout.
struct ViewLayout {
  std::function<void()> showMenusAndSpeedBars;  // as MenusAndSpeedBars says
  std::function<void()> arrangePanes;           // speed bar and letter tabs placed
  std::function<void()> letterTabsState;        // the tabs enabled or not, redrawn
  std::function<void()> recordButtonFont;       // the record buttons made again
};

class TViewOptionsCommands : public QObject {
  Q_OBJECT
 public:
  TViewOptionsCommands(Hub& hub, ViewLayout layout, QWidget* window);

  // The options popup, prepared as opening it would.
  QMenu* PrepareOptionsPopup();
  // "&Font..." of the record-button popup.
  void ChangeRecordButtonFont();
  // The font choice (tests replace it); nullopt when cancelled.
  std::function<std::optional<QFont>(const QFont&)> chooseFont;

 private:
  // Letter tabs on or off: the record saved first, the letters counted when
  // they come on, then back at "A" with the list reloaded.
  void SetLetterTabs(int value);

  Hub& hub_;
  ViewLayout layout_;
  QMenu* popup_;
};

}  // namespace quillary
