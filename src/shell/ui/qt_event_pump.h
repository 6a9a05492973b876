// The program's event pump: while a loop over records runs, pending events
// are processed so windows repaint and timers fire, but the user's input
// reaches only the widgets registered as Stop buttons; the rest is dropped.
#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace quillary {

class QtEventPump : public QObject {
  Q_OBJECT
 public:
  // Installs itself as PumpEvents()' hook; the destructor puts back the
  // hook it replaced.
  // Events are processed at most once per `intervalMs`: more often is
  // invisible and would cost more than the records of a loop.
  explicit QtEventPump(int intervalMs = 10);
  ~QtEventPump() override;

  // Input aimed at `button` (or a child of it) passes the pump; the
  // registration ends with the widget.
  static void AddStopButton(QWidget* button);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Pump();
  qint64 intervalMs_;
  qint64 lastPump_ = -1;
  bool pumping_ = false;
  std::function<void()> previous_;
};

}  // namespace quillary
