// The calendar popup of the date edit.
#include "mainwin/ui/editors/cal_pop.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <optional>

#include "mainwin/calendar_keys.h"
#include "shell/clock.h"

namespace quillary {

namespace {
constexpr int kCellW = 30;
constexpr int kCellH = 20;
constexpr int kHeaderH = 18;  // the day names above the grid
constexpr int kTitleH = 24;
constexpr int kArrowW = 24;
}  // namespace

// The silver band with the selected date in bold and the month arrows.
class CalTitle : public QWidget {
 public:
  explicit CalTitle(TfrmCalPop* pop) : QWidget(pop), pop_(pop) {
    setFixedHeight(kTitleH);
    setMinimumWidth(7 * kCellW);
    setCursor(Qt::PointingHandCursor);
  }
  QRect LeftArrow() const { return QRect(0, 0, kArrowW, height()); }
  QRect RightArrow() const { return QRect(width() - kArrowW, 0, kArrowW, height()); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor(192, 192, 192));
    p.setPen(QColor(128, 128, 128));
    p.drawLine(0, height() - 1, width(), height() - 1);
    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(rect().adjusted(kArrowW, 0, -kArrowW, 0), Qt::AlignCenter,
               CalendarTitle(pop_->selected_));
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::black);
    p.setPen(Qt::NoPen);
    const int cy = height() / 2;
    const QRect l = LeftArrow().adjusted(7, 0, -7, 0), r = RightArrow().adjusted(7, 0, -7, 0);
    p.drawPolygon(QPolygon({QPoint(l.left(), cy), QPoint(l.right(), cy - 5), QPoint(l.right(), cy + 5)}));
    p.drawPolygon(QPolygon({QPoint(r.right(), cy), QPoint(r.left(), cy - 5), QPoint(r.left(), cy + 5)}));
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton) return;
    if (LeftArrow().contains(e->position().toPoint()))
      pop_->SetSelected(CalendarMove(pop_->selected_, CalendarKey::PageUp));
    else if (RightArrow().contains(e->position().toPoint()))
      pop_->SetSelected(CalendarMove(pop_->selected_, CalendarKey::PageDown));
  }

 private:
  TfrmCalPop* pop_;
};

// The day names and the 6 by 7 grid of the month.
class CalGrid : public QWidget {
 public:
  explicit CalGrid(TfrmCalPop* pop) : QWidget(pop), pop_(pop) {
    // The grid fills the popup's width: the buttons below are wider than
    // seven cells of the least width.
    setMinimumSize(7 * kCellW, kHeaderH + 6 * kCellH);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  }
  int CellW() const { return std::max(kCellW, width() / 7); }
  int Left() const { return (width() - 7 * CellW()) / 2; }
  QRect Cell(int row, int col) const {
    return QRect(Left() + col * CellW(), kHeaderH + row * kCellH, CellW(), kCellH);
  }
  QDate DateAt(const QPoint& pos) const {
    const int x = pos.x() - Left();
    if (pos.y() < kHeaderH || x < 0 || x >= 7 * CellW()) return {};
    return CalendarCellDate(pop_->selected_, (pos.y() - kHeaderH) / kCellH, x / CellW());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    QFont normal = font();
    QFont bold = normal;
    bold.setBold(true);
    const QLocale locale;
    p.setFont(normal);
    for (int col = 0; col < 7; ++col) {
      const int qtDay = col == 0 ? 7 : col;  // the grid starts on Sunday
      p.setPen(col == 0 ? QColor(Qt::red) : QColor(Qt::black));
      p.drawText(QRect(Left() + col * CellW(), 0, CellW(), kHeaderH), Qt::AlignCenter,
                 locale.dayName(qtDay, QLocale::ShortFormat));
    }
    p.setPen(QColor(160, 160, 160));
    p.drawLine(0, kHeaderH - 1, width(), kHeaderH - 1);
    const QDate today = Today();
    for (int row = 0; row < 6; ++row) {
      for (int col = 0; col < 7; ++col) {
        const QDate d = CalendarCellDate(pop_->selected_, row, col);
        if (!d.isValid()) continue;
        const QRect r = Cell(row, col);
        const bool selected = d == pop_->selected_;
        if (d == today) p.fillRect(r.adjusted(1, 1, -1, -1), QColor(Qt::yellow));
        if (selected) {
          // A raised cell: light top-left, dark bottom-right.
          const QRect b = r.adjusted(1, 1, -2, -2);
          if (d != today) p.fillRect(b, QColor(224, 224, 224));
          p.setPen(Qt::white);
          p.drawLine(b.topLeft(), b.topRight());
          p.drawLine(b.topLeft(), b.bottomLeft());
          p.setPen(QColor(96, 96, 96));
          p.drawLine(b.bottomLeft(), b.bottomRight());
          p.drawLine(b.topRight(), b.bottomRight());
        }
        p.setFont(selected ? bold : normal);
        p.setPen(col == 0 ? QColor(Qt::red) : QColor(Qt::black));
        p.drawText(r, Qt::AlignCenter, QString::number(d.day()));
      }
    }
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton) return;
    const QDate d = DateAt(e->position().toPoint());
    if (!d.isValid()) return;
    pressed_ = true;
    pop_->SetSelected(d);
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    if (!pressed_) return;
    const QDate d = DateAt(e->position().toPoint());
    if (d.isValid()) pop_->SetSelected(d);
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    pop_->done(TfrmCalPop::DateTaken);
  }

 private:
  TfrmCalPop* pop_;
  bool pressed_ = false;
};

TfrmCalPop::TfrmCalPop(const QDate& date, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setModal(true);
  setToolTip("Click on a Day to update Date Field");
  if (parent && (parent->window()->windowFlags() & Qt::WindowStaysOnTopHint))
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
  selected_ = date.isValid() ? date : Today();
  title_ = new CalTitle(this);
  grid_ = new CalGrid(this);
  todayBtn_ = new QPushButton("Set Today Date", this);
  closeBtn_ = new QPushButton("Close Calendar Without Updating Date Field.", this);
  for (QPushButton* b : {todayBtn_, closeBtn_}) {
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::NoFocus);
  }
  connect(todayBtn_, &QPushButton::clicked, this, [this] { done(TodayChosen); });
  connect(closeBtn_, &QPushButton::clicked, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(3, 3, 3, 3);
  layout->setSpacing(2);
  layout->addWidget(title_);
  layout->addWidget(grid_);
  layout->addWidget(todayBtn_);
  layout->addWidget(closeBtn_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  setFocusPolicy(Qt::StrongFocus);
}

void TfrmCalPop::SetSelected(const QDate& date) {
  if (!date.isValid()) return;
  selected_ = date;
  title_->update();
  grid_->update();
}

QRect TfrmCalPop::CellRect(const QDate& date) const {
  int row = 0, col = 0;
  CalendarCellOf(date, &row, &col);
  return static_cast<CalGrid*>(grid_)->Cell(row, col);
}

void TfrmCalPop::PlaceBelow(QWidget* edit) {
  adjustSize();
  const QPoint bottomLeft = edit->mapToGlobal(QPoint(0, edit->height()));
  QScreen* screen = edit->screen() ? edit->screen() : QGuiApplication::primaryScreen();
  const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  int x = bottomLeft.x();
  int y = bottomLeft.y();
  if (y + height() > avail.bottom() + 1) y = edit->mapToGlobal(QPoint(0, 0)).y() - height();
  if (x + width() > avail.right() + 1) x = avail.right() + 1 - width();
  move(std::max(x, avail.left()), std::max(y, avail.top()));
}

void TfrmCalPop::keyPressEvent(QKeyEvent* e) {
  std::optional<CalendarKey> key;
  switch (e->key()) {
    case Qt::Key_Left: key = CalendarKey::Left; break;
    case Qt::Key_Right: key = CalendarKey::Right; break;
    case Qt::Key_Up: key = CalendarKey::Up; break;
    case Qt::Key_Down: key = CalendarKey::Down; break;
    case Qt::Key_PageUp: key = CalendarKey::PageUp; break;
    case Qt::Key_PageDown: key = CalendarKey::PageDown; break;
    case Qt::Key_Home: key = CalendarKey::Home; break;
    case Qt::Key_End: key = CalendarKey::End; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: done(DateTaken); return;
    case Qt::Key_Escape: reject(); return;
    default: QDialog::keyPressEvent(e); return;
  }
  SetSelected(CalendarMove(selected_, *key));
}

void TfrmCalPop::paintEvent(QPaintEvent* e) {
  QDialog::paintEvent(e);
  QPainter p(this);
  p.setPen(QColor(128, 128, 128));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace quillary
