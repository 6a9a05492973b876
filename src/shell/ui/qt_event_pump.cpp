#include "shell/ui/qt_event_pump.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "shell/event_pump.h"

namespace quillary {
namespace {

std::vector<QPointer<QWidget>>& StopButtons() {
  static std::vector<QPointer<QWidget>> list;
  return list;
}

QElapsedTimer& Clock() {
  static QElapsedTimer t;
  if (!t.isValid()) t.start();
  return t;
}

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

bool IsStopButton(QObject* target) {
  auto* w = qobject_cast<QWidget*>(target);
  if (!w) return false;
  for (const QPointer<QWidget>& b : StopButtons())
    if (b && (b == w || b->isAncestorOf(w))) return true;
  return false;
}

}  // namespace

QtEventPump::QtEventPump(int intervalMs) : intervalMs_(intervalMs) {
  previous_ = SetEventPump([this] { Pump(); });
}

QtEventPump::~QtEventPump() { SetEventPump(std::move(previous_)); }

void QtEventPump::AddStopButton(QWidget* button) {
  auto& list = StopButtons();
  std::erase_if(list, [](const QPointer<QWidget>& b) { return b.isNull(); });
  list.emplace_back(button);
}

void QtEventPump::Pump() {
  // A loop run from an event this pump delivers leaves the pumping to the
  // outer loop: a nested pass would take the filter away from it.
  if (pumping_) return;
  const qint64 now = Clock().elapsed();
  if (lastPump_ >= 0 && now - lastPump_ < intervalMs_) return;
  lastPump_ = now;
  // The filter sees every event of the thread while it is installed, and
  // only then: outside a loop the user's input goes where it always goes.
  pumping_ = true;
  qApp->installEventFilter(this);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  qApp->removeEventFilter(this);
  pumping_ = false;
}

bool QtEventPump::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (!IsUserInput(type)) return false;
  // A window hands its input on to the widget it is for, where it is judged;
  // a shortcut goes to its action and is never for a Stop button.
  if (!watched->isWidgetType()) return type == QEvent::Shortcut;
  if (type == QEvent::Close && !event->spontaneous()) return false;
  return !IsStopButton(watched);
}

}  // namespace quillary
