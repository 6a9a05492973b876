// The picture control and its field binding.
#include "mainwin/ui/editors/multi_img.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>

#include "mainwin/editor_rules.h"
#include "mainwin/ui/editors/capture_form.h"
#include "mainwin/ui/editors/editor_support.h"
#include "platform/images/picture_format.h"
#include "platform/images/scanner.h"
#include "shell/messages.h"

namespace quillary {

namespace {

// The file dialog filters, in the order the user sees them.
const char kLoadFilter[] =
    "All Images (*.jpg *.gif *.pcx *.bmp *.png);;BMP Images (*.bmp);;GIF Images (*.gif);;"
    "PCX Images (*.pcx);;JPG Images (*.jpg);;PNG Images (*.png)";
const char kSaveFilter[] =
    "BMP Images (*.bmp);;GIF Images (*.gif);;PCX Images (*.pcx);;JPG Images (*.jpg);;"
    "PNG Images (*.png)";

struct ToolInfo {
  const char* name;
  const char* theme;
};
const ToolInfo kTools[10] = {
    {"Clear", "edit-clear"},          {"Load", "document-open"},
    {"Save", "document-save"},        {"Copy", "edit-copy"},
    {"Paste", "edit-paste"},          {"Screen Capture", "camera-photo"},
    {"Print", "document-print"},      {"Scan", "scanner"},
    {"Full Screen", "view-fullscreen"}, {"Auto Stretch", "zoom-fit-best"},
};

// A page with a folded corner, for the copy and paste glyphs.
void DrawPage(QPainter& p, const QRectF& r) {
  const qreal f = 3;
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygonF({r.topLeft(), QPointF(r.right() - f, r.top()), QPointF(r.right(), r.top() + f),
                           r.bottomRight(), r.bottomLeft()}));
  p.drawLine(QPointF(r.left() + 2, r.top() + 5), QPointF(r.right() - 2, r.top() + 5));
  p.drawLine(QPointF(r.left() + 2, r.top() + 8), QPointF(r.right() - 2, r.top() + 8));
}

// Small drawn glyphs for desktops without an icon theme, 16 by 16.
void DrawToolGlyph(QPainter& p, int index) {
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(40, 40, 40);
  p.setPen(QPen(ink, 1));
  switch (index) {
    case 0:  // Clear: a red cross
      p.setPen(QPen(QColor(200, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(4, 4), QPointF(12, 12));
      p.drawLine(QPointF(12, 4), QPointF(4, 12));
      break;
    case 1:  // Load: an open folder
      p.setBrush(QColor(230, 190, 70));
      p.drawPolygon(QPolygonF({QPointF(1.5, 4), QPointF(6, 4), QPointF(7.5, 5.5), QPointF(13.5, 5.5),
                               QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
      p.setBrush(QColor(250, 220, 110));
      p.drawPolygon(QPolygonF({QPointF(3.5, 8), QPointF(15, 8), QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
      break;
    case 2:  // Save: a diskette
      p.setBrush(QColor(50, 90, 170));
      p.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 1, 1);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(4.5, 2.5, 7, 4));
      p.setBrush(QColor(200, 200, 200));
      p.drawRect(QRectF(5, 9.5, 6, 4));
      break;
    case 3:  // Copy: two pages
      DrawPage(p, QRectF(1.5, 1.5, 8, 10));
      DrawPage(p, QRectF(6.5, 4.5, 8, 10));
      break;
    case 4:  // Paste: a clipboard with a page
      p.setBrush(QColor(170, 120, 60));
      p.drawRoundedRect(QRectF(2.5, 2.5, 9, 12), 1, 1);
      p.setBrush(QColor(210, 210, 210));
      p.drawRect(QRectF(5, 1.5, 4, 2.5));
      DrawPage(p, QRectF(7.5, 6.5, 7, 8.5));
      break;
    case 5:  // Screen capture: a dashed frame with a cross
      p.setPen(QPen(ink, 1, Qt::DashLine));
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(1.5, 1.5, 10, 8));
      p.setPen(QPen(QColor(200, 30, 30), 1.5));
      p.drawLine(QPointF(11.5, 7), QPointF(11.5, 15));
      p.drawLine(QPointF(7.5, 11.5), QPointF(15.5, 11.5));
      break;
    case 6:  // Print: a printer with a sheet
      p.setBrush(Qt::white);
      p.drawRect(QRectF(4.5, 1.5, 7, 5));
      p.setBrush(QColor(150, 150, 150));
      p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(4.5, 10.5, 7, 4));
      break;
    case 7:  // Scan: a flatbed with its light
      p.setBrush(QColor(150, 150, 150));
      p.drawRoundedRect(QRectF(1.5, 7.5, 13, 5), 1, 1);
      p.setBrush(QColor(90, 170, 230));
      p.drawRect(QRectF(3, 5.5, 10, 2));
      p.setPen(QPen(QColor(90, 170, 230), 1));
      p.drawLine(QPointF(4, 3), QPointF(12, 3));
      break;
    case 8:  // Full screen: four corners
      p.setPen(QPen(ink, 1.5));
      for (const auto& c : {std::pair{QPointF(2, 2), QPointF(1, 1)}, {QPointF(14, 2), QPointF(-1, 1)},
                            {QPointF(2, 14), QPointF(1, -1)}, {QPointF(14, 14), QPointF(-1, -1)}}) {
        p.drawLine(c.first, c.first + QPointF(4 * c.second.x(), 0));
        p.drawLine(c.first, c.first + QPointF(0, 4 * c.second.y()));
      }
      p.setBrush(QColor(90, 170, 230));
      p.setPen(Qt::NoPen);
      p.drawRect(QRectF(5, 5, 6, 6));
      break;
    case 9:  // Auto stretch: a picture with a diagonal double arrow
      p.setBrush(QColor(220, 235, 250));
      p.drawRect(QRectF(1.5, 1.5, 13, 13));
      p.setPen(QPen(ink, 1.3));
      p.drawLine(QPointF(4, 12), QPointF(12, 4));
      p.drawLine(QPointF(12, 4), QPointF(8, 4));
      p.drawLine(QPointF(12, 4), QPointF(12, 8));
      p.drawLine(QPointF(4, 12), QPointF(8, 12));
      p.drawLine(QPointF(4, 12), QPointF(4, 8));
      break;
    default: break;
  }
}

QIcon ToolIcon(int index) {
  QIcon themed = QIcon::fromTheme(kTools[index].theme);
  if (!themed.isNull()) return themed;
  QIcon icon;
  for (int scale : {1, 2}) {
    QPixmap pm(16 * scale, 16 * scale);
    pm.setDevicePixelRatio(scale);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    DrawToolGlyph(p, index);
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

bool ClipboardHasPicture() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasImage();
}

}  // namespace

TMultiImgControl::TMultiImgControl(QWidget* parent)
    : QWidget(parent), area_(new QScrollArea(this)), view_(new QLabel), toolBar_(new QWidget(this)),
      popup_(new QMenu(this)) {
  setToolTip("Graphical Field - Right Click to display Popup Menu");
  setProperty("helpTopic", kPictureHelpTopic);
  resize(210, 200);
  view_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  view_->setBackgroundRole(QPalette::Base);
  area_->setWidget(view_);
  area_->setWidgetResizable(false);
  area_->setBackgroundRole(QPalette::Base);
  area_->setFocusPolicy(Qt::NoFocus);

  toolBar_->setFixedHeight(kPictureToolBarHeight);
  auto* row = new QHBoxLayout(toolBar_);
  row->setContentsMargins(0, 1, 0, 1);
  row->setSpacing(0);
  for (int i = 0; i < 10; ++i) {
    auto* b = new QToolButton(toolBar_);
    b->setToolTip(kTools[i].name);
    b->setIcon(ToolIcon(i));
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRaise(true);
    b->setFixedSize(21, kPictureToolBarHeight - 2);
    row->addWidget(b);
    tools_ << b;
  }
  row->addStretch();
  tools_[9]->setCheckable(true);

  Clear1 = popup_->addAction("&Clear");
  Load1 = popup_->addAction("&Load");
  Save1 = popup_->addAction("&Save");
  Copy1 = popup_->addAction("C&opy");
  Paste1 = popup_->addAction("P&aste");
  Capture1 = popup_->addAction("Sc&reen Capture");
  Print1 = popup_->addAction("&Print");
  Scan1 = popup_->addAction("Sca&n");
  SelectScanner1 = popup_->addAction("S&elect Scanner");
  FullScreen1 = popup_->addAction("&Full Screen");
  AutoStretch1 = popup_->addAction("A&uto Stretch");
  AutoStretch1->setCheckable(true);
  ToolBar1 = popup_->addAction("Hide &Tool Bar");
  popup_->addSeparator();
  Help1 = popup_->addAction("&Help");

  const std::function<void()> actions[10] = {
      [this] { Clear(); },        [this] { LoadDialog(); }, [this] { SaveDialog(); },
      [this] { Copy(); },         [this] { Paste(); },      [this] { ScreenCapture(); },
      [this] { Print(); },        [this] { Scan(); },       [this] { FullScreen(); },
      [this] { SetAutoStretch(!autoStretch_); },
  };
  QAction* items[10] = {Clear1, Load1, Save1, Copy1, Paste1, Capture1, Print1, Scan1, FullScreen1, AutoStretch1};
  for (int i = 0; i < 10; ++i) {
    connect(tools_[i], &QToolButton::clicked, this, actions[i]);
    connect(items[i], &QAction::triggered, this, actions[i]);
  }
  connect(SelectScanner1, &QAction::triggered, this, [this] { SelectScanner(); });
  connect(ToolBar1, &QAction::triggered, this, [this] { SetToolBarHidden(!toolBarHidden_); });
  connect(Help1, &QAction::triggered, this, [] { ShowEditorHelp(kPictureHelpTopic); });
  UpdateReadOnly();
  UpdateToolBar();
}

QToolButton* TMultiImgControl::ToolButton(int index) const { return tools_.value(index); }

void TMultiImgControl::MarkChanged() {
  changed_ = true;
  emit Changed();
}

void TMultiImgControl::ShowPicture(const QImage& picture) {
  picture_ = picture;
  UpdateView();
}

void TMultiImgControl::SetPicture(const QImage& picture) {
  ShowPicture(picture);
  MarkChanged();
}

void TMultiImgControl::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  UpdateReadOnly();
}

void TMultiImgControl::UpdateReadOnly() {
  // The scanner is looked for only when the user asks (popup or Scan), so
  // building the form never waits for the scanner backends.
  for (int i : {0, 1, 4, 5, 7}) tools_[i]->setEnabled(!readOnly_);
}

void TMultiImgControl::SetToolBarEnabled(bool enabled) {
  toolBarEnabled_ = enabled;
  UpdateToolBar();
}

void TMultiImgControl::SetToolBarHidden(bool hidden) {
  toolBarHidden_ = hidden;
  UpdateToolBar();
}

bool TMultiImgControl::ToolBarShown() const {
  return PictureToolBarShown(toolBarEnabled_ && !toolBarHidden_, width());
}

void TMultiImgControl::UpdateToolBar() {
  const bool shown = ToolBarShown();
  toolBar_->setVisible(shown);
  const int barHeight = shown ? kPictureToolBarHeight : 0;
  area_->setGeometry(0, 0, width(), std::max(0, height() - barHeight));
  toolBar_->setGeometry(0, height() - kPictureToolBarHeight, width(), kPictureToolBarHeight);
  UpdateView();
}

void TMultiImgControl::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  UpdateToolBar();
}

void TMultiImgControl::SetAutoStretch(bool on) {
  autoStretch_ = on;
  tools_[9]->setChecked(on);
  AutoStretch1->setChecked(on);
  UpdateView();
}

QSize TMultiImgControl::ShownSize() const { return picture_.isNull() ? QSize() : view_->size(); }

void TMultiImgControl::UpdateView() {
  if (picture_.isNull()) {
    view_->clear();
    view_->resize(0, 0);
    return;
  }
  if (autoStretch_) {
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QSize s = StretchToFit(picture_.size(), area_->viewport()->size());
    view_->setPixmap(QPixmap::fromImage(
        picture_.scaled(s, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    view_->resize(s);
  } else {
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view_->setPixmap(QPixmap::fromImage(picture_));
    view_->resize(picture_.size());
  }
}

void TMultiImgControl::PreparePopup() {
  const bool scanner = !readOnly_ && images::Scanner().Available();
  Clear1->setEnabled(!readOnly_);
  Load1->setEnabled(!readOnly_);
  Capture1->setEnabled(!readOnly_);
  Scan1->setEnabled(scanner);
  SelectScanner1->setEnabled(scanner);
  Paste1->setEnabled(!readOnly_ && ClipboardHasPicture());
  AutoStretch1->setChecked(autoStretch_);
  ToolBar1->setVisible(toolBarEnabled_);
  ToolBar1->setText(toolBarHidden_ ? "Show &Tool Bar" : "Hide &Tool Bar");
}

void TMultiImgControl::contextMenuEvent(QContextMenuEvent* e) {
  PreparePopup();
  popup_->popup(e->globalPos());
  e->accept();
}

void TMultiImgControl::Clear() {
  if (readOnly_) return;
  fileName_.clear();
  ShowPicture(QImage());
  MarkChanged();
}

bool TMultiImgControl::LoadFromFile(const QString& path) {
  if (readOnly_) return false;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const QImage picture = images::ReadPictureFile(path);
  QApplication::restoreOverrideCursor();
  if (picture.isNull()) {
    Msg().Error("Could not read the picture file " + path);
    return false;
  }
  fileName_ = path;
  ShowPicture(picture);
  loadedFromFile_ = true;
  emit Changed();
  return true;
}

bool TMultiImgControl::SaveToFile(const QString& path) {
  if (picture_.isNull()) return false;
  if (images::FormatForFileName(path) == images::PictureFormat::Unknown) {
    Msg().Error("Pictures are saved as BMP, GIF, JPG, PCX or PNG files only.");
    return false;
  }
  if (!images::WritePictureFile(picture_, path)) {
    Msg().Error("Could not write the picture file " + path);
    return false;
  }
  fileName_ = path;
  return true;
}

void TMultiImgControl::LoadDialog() {
  if (readOnly_) return;
  if (auto file = Msg().ChooseOpenFile("Load Image From", QFileInfo(fileName_).path(), kLoadFilter))
    LoadFromFile(*file);
}

void TMultiImgControl::SaveDialog() {
  if (picture_.isNull()) return;
  if (auto file = Msg().ChooseSaveFile("Save Image As", fileName_, kSaveFilter)) SaveToFile(*file);
}

void TMultiImgControl::Copy() {
  if (!picture_.isNull()) QGuiApplication::clipboard()->setImage(picture_);
}

bool TMultiImgControl::Paste() {
  if (readOnly_ || !ClipboardHasPicture()) return false;
  const QImage picture = QGuiApplication::clipboard()->image();
  if (picture.isNull()) return false;
  SetPicture(picture);
  return true;
}

bool TMultiImgControl::TakeCapture(const QPixmap& snapshot, const QRect& rect) {
  if (rect.width() <= 0 || rect.height() <= 0) {
    Msg().Error("Both Width and Height of Captured Area must be > 0 !");
    return false;
  }
  QGuiApplication::clipboard()->setImage(snapshot.copy(rect).toImage());
  return Paste();
}

void TMultiImgControl::ScreenCapture() {
  if (readOnly_) return;
  QWidget* owner = window();
  owner->hide();
  // Give the window system time to take the window off the screen.
  QEventLoop wait;
  QTimer::singleShot(300, &wait, &QEventLoop::quit);
  wait.exec(QEventLoop::ExcludeUserInputEvents);
  QScreen* screen = owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
  const QPixmap snapshot = screen ? screen->grabWindow(0) : QPixmap();
  if (!snapshot.isNull()) {
    TScreenCaptureForm form(snapshot);
    if (screen) form.setGeometry(screen->geometry());
    form.showFullScreen();
    const bool done = form.exec() == QDialog::Accepted;
    owner->show();
    if (done) TakeCapture(snapshot, form.SelectedRect());
    return;
  }
  owner->show();
}

void TMultiImgControl::PrintTo(QPrinter& printer) {
  if (picture_.isNull()) return;
  QPainter p(&printer);
  if (!p.isActive()) return;
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  // The picture's screen size on the printer: pixels at 96 to the inch.
  const double scale = printer.resolution() / 96.0;
  const QSize natural(int(picture_.width() * scale), int(picture_.height() * scale));
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(PrintRect(natural, page.size()), picture_);
}

void TMultiImgControl::Print() {
  if (picture_.isNull()) return;
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() == QDialog::Accepted) PrintTo(printer);
}

void TMultiImgControl::Scan() {
  images::ScannerService& scanner = images::Scanner();
  if (readOnly_ || !scanner.Available()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::optional<QImage> picture = scanner.Acquire();
  QApplication::restoreOverrideCursor();
  if (!picture || picture->isNull()) return;  // cancelled: the picture stays
  SetPicture(*picture);
}

void TMultiImgControl::SelectScanner() {
  images::ScannerService& scanner = images::Scanner();
  const QStringList devices = scanner.Devices();
  if (readOnly_ || devices.isEmpty()) return;
  bool ok = false;
  const QString chosen = QInputDialog::getItem(this, "Select Scanner", "Scanner:", devices,
                                               std::max(0, scanner.SelectedDevice()), false, &ok);
  if (ok) scanner.SelectDevice(int(devices.indexOf(chosen)));
}

void TMultiImgControl::FullScreen() {
  if (picture_.isNull()) return;
  TFullScreenForm form(picture_, this);
  if (QScreen* s = screen()) form.setGeometry(s->geometry());
  form.showFullScreen();
  form.exec();
}

// ----------------------------------------------------------- field binding

TDbMultiImgControl::TDbMultiImgControl(QWidget* parent) : TMultiImgControl(parent) {}

void TDbMultiImgControl::LoadFromField(const PictureField& field) {
  QWidget* owner = window() != this ? window() : nullptr;
  const bool wasEnabled = owner && owner->isEnabled();
  if (owner) owner->setEnabled(false);
  ShowPicture(field.IsNull() ? QImage() : images::DecodePicture(field.Bytes()));
  ResetMarks();
  if (owner) owner->setEnabled(wasEnabled);
}

void TDbMultiImgControl::SaveToField(PictureField& field) {
  if (IsEmpty()) {
    if (!field.IsNull()) field.Clear();
  } else if (IsChanged() || IsLoadedFromFile()) {
    field.SetBytes(images::EncodePng(Picture()));
  }
  ResetMarks();
}

}  // namespace quillary
