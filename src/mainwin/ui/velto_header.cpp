#include "mainwin/ui/velto_header.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QShowEvent>
#include <QStyleOptionHeader>
#include <cstdlib>

#include "shell/options.h"
#include "shell/templates.h"
#include "shell/ui/qt_messages.h"
#include "tables/template_layout.h"

namespace quillary {
namespace {

std::function<void(int)>& HelpHandler() {
  static std::function<void(int)> handler;
  return handler;
}

}  // namespace

tables::FieldKindSets ShippedFieldKinds() {
  tables::FieldKindSets kinds;
  const auto fields = tables::RecordTableFields();
  for (size_t i = size_t(tables::kFirstUserField); i < fields.size(); ++i) {
    if (fields[i].type == 'M') kinds.memo.set(i);
    if (fields[i].type == 'B' || fields[i].type == 'G') kinds.picture.set(i);
  }
  return kinds;
}

void TVeltoHeader::SetHelpHandler(std::function<void(int)> handler) {
  HelpHandler() = std::move(handler);
}

TVeltoHeader::TVeltoHeader(QWidget* parent, THeaderTemplateList* templates)
    : QWidget(parent), kinds_(ShippedFieldKinds()) {
  setObjectName("VeltoHeader1");
  setToolTip(kHint);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  header_.OnHChange = [this] {
    update();
    emit HChange();
  };
  header_.AttachTemplates(templates ? *templates : HeaderTemplates());
  BuildPopup();
}

TVeltoHeader::~TVeltoHeader() { header_.DetachTemplates(); }

// ------------------------------------------------------------- interface

bool TVeltoHeader::LoadHeader(const QString& file) {
  header_.SetBarWidth(width());
  const bool ok = header_.LoadHeader(file);
  update();
  return ok;
}

void TVeltoHeader::RenameSections() {
  header_.RenameSections();
  update();
}

void TVeltoHeader::Recompute() {
  header_.SetBarWidth(width());
  header_.Recompute();
}

QRect TVeltoHeader::SectionRect(int index) const {
  if (index < 0 || index >= header_.Count()) return {};
  return QRect(header_.SectionLeft(index), 0, header_.Sections()[size_t(index)].Width, height());
}

QSize TVeltoHeader::sizeHint() const {
  QStyleOptionHeader opt;
  opt.initFrom(this);
  opt.orientation = Qt::Horizontal;
  opt.text = "Xg";
  const QSize s = style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(), this);
  // A little air above and below the caption, as list views' headers have.
  return QSize(std::max(header_.TotalWidth(), 100), s.height() + 4);
}

QSize TVeltoHeader::minimumSizeHint() const { return QSize(0, sizeHint().height()); }

// -------------------------------------------------------------- painting

void TVeltoHeader::DrawSection(QPainter& p, const QStyleOptionHeader& opt) const {
  // Styles clip the painter to the section and leave a clip behind them.
  p.save();
  style()->drawControl(QStyle::CE_Header, &opt, &p, this);
  p.restore();
}

void TVeltoHeader::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QStyleOptionHeader opt;
  opt.initFrom(this);
  opt.orientation = Qt::Horizontal;
  opt.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
  const int n = header_.Count();
  int x = 0;
  for (int i = 0; i < n; ++i) {
    const THeaderSection& s = header_.Sections()[size_t(i)];
    if (s.Width > 0) {
      opt.rect = QRect(x, 0, s.Width, height());
      opt.section = i;
      opt.text = fontMetrics().elidedText(s.Caption, Qt::ElideRight, std::max(0, s.Width - 8));
      // The bar right of the sections is drawn as one more, empty section,
      // so the last real one then draws its right border.
      const bool last = i == n - 1 && header_.TotalWidth() >= width();
      opt.position = n == 1 && last ? QStyleOptionHeader::OnlyOneSection
                     : i == 0       ? QStyleOptionHeader::Beginning
                     : last         ? QStyleOptionHeader::End
                                    : QStyleOptionHeader::Middle;
      opt.state = QStyle::State_Horizontal | (isEnabled() ? QStyle::State_Enabled : QStyle::State_None);
      opt.state |= mode_ == Mode::Dragging && i == active_ ? QStyle::State_Sunken : QStyle::State_Raised;
      DrawSection(p, opt);
    }
    x += s.Width;
  }
  if (x < width()) {
    opt.rect = QRect(x, 0, width() - x, height());
    opt.section = n;
    opt.text.clear();
    opt.position = QStyleOptionHeader::End;
    opt.state = QStyle::State_Horizontal | QStyle::State_Raised |
                (isEnabled() ? QStyle::State_Enabled : QStyle::State_None);
    DrawSection(p, opt);
  }
  if (mode_ == Mode::Dragging) {
    QColor shade = palette().highlight().color();
    shade.setAlpha(60);
    p.fillRect(SectionRect(active_), shade);
  }
  if (mode_ == Mode::Dragging && dropX_ >= 0) {
    // Where the dragged section would land.
    const int target = header_.SectionAt(dropX_);
    if (target != active_) {
      const QRect r = SectionRect(target);
      const int mx = target < active_ ? r.left() : r.right();
      p.fillRect(QRect(mx - 1, 0, 3, height()), palette().highlight());
    }
  }
}

void TVeltoHeader::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  Recompute();
}

void TVeltoHeader::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (shownOnce_ || e->spontaneous()) return;
  shownOnce_ = true;
  // Only now is the width the list pane gives the header known.
  if (header_.FitDefaultSections(width())) {
    Recompute();
    update();
  }
}

// ----------------------------------------------------------------- mouse

int TVeltoHeader::BorderAt(int x) const {
  int best = -1, bestDistance = kBorderZone + 1, right = 0;
  for (int i = 0; i < header_.Count(); ++i) {
    right += header_.Sections()[size_t(i)].Width;
    const int d = std::abs(x - right);
    if (d <= bestDistance && d <= kBorderZone) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

int TVeltoHeader::DragSectionAt(int x) const {
  int left = 0;
  for (int i = 0; i < header_.Count(); ++i) {
    const int right = left + header_.Sections()[size_t(i)].Width;
    if (x > left + kBorderZone && x < right - kBorderZone) return i;
    left = right;
  }
  return -1;
}

void TVeltoHeader::UpdateCursor(const QPoint& pos) {
  switch (mode_) {
    case Mode::Resizing:
      setCursor(Qt::SplitHCursor);
      break;
    case Mode::Dragging:
      setCursor(rect().contains(pos) ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
      break;
    case Mode::None:
      if (BorderAt(pos.x()) >= 0) setCursor(Qt::SplitHCursor);
      else unsetCursor();
      break;
  }
}

void TVeltoHeader::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || mode_ != Mode::None) {
    QWidget::mousePressEvent(e);
    return;
  }
  const int x = e->position().toPoint().x();
  const int border = BorderAt(x);
  if (border >= 0) {
    mode_ = Mode::Resizing;
    active_ = border;
    grip_ = x - (header_.SectionLeft(border) + header_.Sections()[size_t(border)].Width);
  } else if (const int s = DragSectionAt(x); s >= 0) {
    mode_ = Mode::Dragging;
    active_ = s;
    dropX_ = x;
    update();
  }
  UpdateCursor(e->position().toPoint());
}

void TVeltoHeader::mouseMoveEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (mode_ == Mode::Resizing) {
    header_.SetSectionWidth(active_, pos.x() - grip_ - header_.SectionLeft(active_));
    update();
  } else if (mode_ == Mode::Dragging) {
    dropX_ = rect().contains(pos) ? pos.x() : -1;
    update();
  }
  UpdateCursor(pos);
}

void TVeltoHeader::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || mode_ == Mode::None) {
    QWidget::mouseReleaseEvent(e);
    return;
  }
  const QPoint pos = e->position().toPoint();
  const Mode mode = mode_;
  const int section = active_;
  CancelDrag();
  if (mode == Mode::Resizing) {
    header_.SetSectionWidth(section, pos.x() - grip_ - header_.SectionLeft(section));
    header_.SetBarWidth(width());
    header_.FinishResize(section);
  } else if (rect().contains(pos)) {
    // Only a drop on the header itself moves the section.
    header_.SetBarWidth(width());
    header_.DropSection(section, pos.x());
  }
  UpdateCursor(pos);
}

void TVeltoHeader::CancelDrag() {
  mode_ = Mode::None;
  active_ = -1;
  dropX_ = -1;
  update();
}

// ----------------------------------------------------------------- popup

QString TVeltoHeader::MenuText(QString text) { return text.replace('&', "&&"); }

void TVeltoHeader::BuildPopup() {
  popup_ = new QMenu(this);
  insertMenu_ = popup_->addMenu("&Insert New Field");
  removeMenu_ = popup_->addMenu("&Remove Field");
  popup_->addSeparator();
  loadMenu_ = popup_->addMenu("&Load From Template");
  saveAction_ = popup_->addAction("&Save As Template");
  deleteMenu_ = popup_->addMenu("&Delete Template");
  popup_->addSeparator();
  helpAction_ = popup_->addAction("&Help");
  connect(popup_, &QMenu::aboutToShow, this, &TVeltoHeader::RebuildPopup);
  connect(saveAction_, &QAction::triggered, this, [this] { header_.SaveAsTemplate(); });
  connect(helpAction_, &QAction::triggered, this, [] {
    if (HelpHandler()) HelpHandler()(kHelpTopic);
    else ShowHelpTopic(kHelpTopic);
  });
}

void TVeltoHeader::RebuildPopup() {
  header_.SetBarWidth(width());
  insertMenu_->clear();
  for (int label : header_.InsertCandidates(kinds_)) {
    QAction* a = insertMenu_->addAction(MenuText(Opt().LabelList[label]));
    connect(a, &QAction::triggered, this, [this, label] { header_.InsertField(label); });
  }
  insertMenu_->menuAction()->setEnabled(!insertMenu_->isEmpty() && header_.CanInsert());

  removeMenu_->clear();
  for (const THeaderSection& s : header_.Sections()) {
    QAction* a = removeMenu_->addAction(MenuText(s.Caption));
    const int field = s.FieldIndex;
    connect(a, &QAction::triggered, this,
            [this, field] { header_.RemoveSection(header_.FindFieldIndex(field)); });
  }
  removeMenu_->menuAction()->setEnabled(header_.CanRemove());

  loadMenu_->clear();
  deleteMenu_->clear();
  const QStringList names = header_.TemplateNames();
  for (const QString& name : names) {
    connect(loadMenu_->addAction(MenuText(name)), &QAction::triggered, this,
            [this, name] { header_.LoadFromTemplate(name); });
    connect(deleteMenu_->addAction(MenuText(name)), &QAction::triggered, this,
            [this, name] { header_.DeleteTemplate(name); });
  }
  loadMenu_->menuAction()->setEnabled(!names.isEmpty());
  deleteMenu_->menuAction()->setEnabled(!names.isEmpty());
}

void TVeltoHeader::ShowPopup() { ShowPopupAt(mapToGlobal(QPoint(0, height()))); }

void TVeltoHeader::ShowPopupAt(const QPoint& globalPos) {
  if (mode_ != Mode::None) CancelDrag();
  popup_->popup(globalPos);
}

void TVeltoHeader::contextMenuEvent(QContextMenuEvent* e) {
  ShowPopupAt(e->globalPos());
  e->accept();
}

}  // namespace quillary
