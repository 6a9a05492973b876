// The picture control as a user drives it through its tool bar and popup:
// loading and saving files (only the formats the extension names), the tool
// bar's width rule, read-only viewing, clipboard, screen capture of a dragged
// rectangle, auto stretch and scanning; and the field binding, which stores
// PNG and shows pictures other programs stored.
#include <QClipboard>
#include <QFile>
#include <QMouseEvent>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QToolButton>

#include "editor_fixture.h"
#include "mainwin/ui/editors/capture_form.h"
#include "mainwin/editor_rules.h"
#include "mainwin/ui/editors/multi_img.h"
#include "platform/images/picture_format.h"
#include "platform/images/scanner.h"

namespace quillary::test {
namespace {

enum Tool { kClear, kLoad, kSave, kCopy, kPaste, kCapture, kPrint, kScan, kFull, kStretch };

QImage Picture(int w = 60, int h = 40) {
  QImage img(w, h, QImage::Format_ARGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgba(x * 4, y * 6, (x * y) & 0xFF, 255));
  return img;
}

bool SamePixels(const QImage& a, const QImage& b) {
  return a.size() == b.size() &&
         a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

class PictureControlTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    control = new TDbMultiImgControl;
    control->setMinimumSize(240, 200);
    ShowInForm(control);
  }
  void Click(Tool t) { QTest::mouseClick(control->ToolButton(t), Qt::LeftButton); }
  TDbMultiImgControl* control = nullptr;
};

TEST_F(PictureControlTest, SavingFollowsTheExtensionAndATifWritesNoFile) {
  control->SetPicture(Picture());
  const QString tif = home.file("picture.tif");
  msgs.files.push_back(tif);
  Click(kSave);
  EXPECT_EQ(msgs.prompts.back(), "Save Image As");
  EXPECT_FALSE(QFile::exists(tif));
  EXPECT_EQ(control->FileName(), "");
  for (const char* name : {"p.bmp", "p.GIF", "p.pcx", "p.jpg", "p.png"}) {
    SCOPED_TRACE(name);
    const QString path = home.file(name);
    msgs.files.push_back(path);
    Click(kSave);
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_EQ(control->FileName(), path);
    const QImage back = images::ReadPictureFile(path);
    EXPECT_EQ(back.size(), control->Picture().size());
    // JPEG is lossy and GIF keeps at most 256 of this picture's colours.
    if (!QString(name).endsWith(".jpg") && !QString(name).endsWith(".GIF")) {
      EXPECT_TRUE(SamePixels(back, control->Picture()));
    }
  }
}

TEST_F(PictureControlTest, LoadingAFileMarksItLoadedAndTheFieldGetsPng) {
  const QString pcx = home.file("logo.pcx");
  ASSERT_TRUE(images::WritePictureFile(Picture(), pcx));
  msgs.files.push_back(pcx);
  Click(kLoad);
  EXPECT_EQ(msgs.prompts.back(), "Load Image From");
  EXPECT_TRUE(SamePixels(control->Picture(), Picture()));
  EXPECT_TRUE(control->IsLoadedFromFile());
  EXPECT_EQ(control->FileName(), pcx);
  MemoryPictureField field;
  control->SaveToField(field);
  EXPECT_EQ(images::SniffPicture(field.Bytes()), images::PictureFormat::Png);
  EXPECT_EQ(field.writes, 1);
}

TEST_F(PictureControlTest, PictureStoredInTheFieldReadsBackEqual) {
  control->SetPicture(Picture(131, 37));
  MemoryPictureField field;
  control->SaveToField(field);
  ASSERT_FALSE(field.IsNull());
  TDbMultiImgControl other;
  other.LoadFromField(field);
  EXPECT_TRUE(SamePixels(other.Picture(), Picture(131, 37)));
  EXPECT_FALSE(other.IsChanged());
  // Unchanged since it was read: saving writes nothing.
  other.SaveToField(field);
  EXPECT_EQ(field.writes, 1);
  // Cleared: the field is cleared.
  other.Clear();
  other.SaveToField(field);
  EXPECT_TRUE(field.IsNull());
  // A null field shows no picture.
  control->LoadFromField(field);
  EXPECT_TRUE(control->IsEmpty());
}

// 24-bit, bottom-up with padded rows, as other programs write it, stored
// bare and behind the 8-byte header some programs put before it.
QByteArray ForeignBitmap() {
  const int w = 3, h = 2, row = 12;
  QByteArray d(54 + h * row, '\0');
  auto put = [&](int at, int v, int n) {
    for (int i = 0; i < n; ++i) d[at + i] = char((v >> (8 * i)) & 0xFF);
  };
  d[0] = 'B';
  d[1] = 'M';
  put(2, int(d.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, w, 4);
  put(22, h, 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, h * row, 4);
  // Bottom row first: blue, green, red; top row: white, black, grey (BGR order).
  const unsigned char px[2][9] = {{255, 0, 0, 0, 255, 0, 0, 0, 255},
                                  {255, 255, 255, 0, 0, 0, 128, 128, 128}};
  for (int r = 0; r < h; ++r)
    for (int i = 0; i < 9; ++i) d[54 + r * row + i] = char(px[r][i]);
  return d;
}

TEST_F(PictureControlTest, BitmapStoredByAnotherProgramShows) {
  QByteArray withHeader(8, '\0');
  withHeader[0] = 1;
  const QByteArray bmp = ForeignBitmap();
  for (int i = 0; i < 4; ++i) withHeader[4 + i] = char((bmp.size() >> (8 * i)) & 0xFF);
  for (const QByteArray& stored : {bmp, withHeader + bmp}) {
    MemoryPictureField field;
    field.SetBytes(stored);
    control->LoadFromField(field);
    ASSERT_EQ(control->Picture().size(), QSize(3, 2));
    const QImage& p = control->Picture();
    EXPECT_EQ(QColor(p.pixel(0, 0)), QColor(255, 255, 255));
    EXPECT_EQ(QColor(p.pixel(2, 0)), QColor(128, 128, 128));
    EXPECT_EQ(QColor(p.pixel(0, 1)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(p.pixel(2, 1)), QColor(255, 0, 0));
  }
}

TEST_F(PictureControlTest, ToolBarShowsOnlyAtLeast210PixelsWide) {
  const struct {
    int width;
    bool enabled, hidden, shown;
  } cases[] = {
      {209, true, false, false}, {210, true, false, true}, {400, true, false, true},
      {400, false, false, false}, {400, true, true, false}, {120, true, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    TMultiImgControl pic;
    pic.SetToolBarEnabled(c.enabled);
    pic.SetToolBarHidden(c.hidden);
    pic.resize(c.width, 200);
    pic.show();
    EXPECT_EQ(pic.ToolBar()->isVisible(), c.shown);
    if (c.shown) {
      EXPECT_EQ(pic.ToolBar()->height(), 24);
    }
  }
  // The popup item switches it and names the state.
  control->PreparePopup();
  EXPECT_EQ(control->ToolBar1->text(), "Hide &Tool Bar");
  control->ToolBar1->trigger();
  EXPECT_FALSE(control->ToolBar()->isVisible());
  control->PreparePopup();
  EXPECT_EQ(control->ToolBar1->text(), "Show &Tool Bar");
  control->SetToolBarEnabled(false);
  control->PreparePopup();
  EXPECT_FALSE(control->ToolBar1->isVisible());
}

TEST_F(PictureControlTest, PopupItemsInOrder) {
  QStringList captions;
  for (QAction* a : control->Popup()->actions()) captions << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(captions, (QStringList{"&Clear", "&Load", "&Save", "C&opy", "P&aste", "Sc&reen Capture",
                                   "&Print", "Sca&n", "S&elect Scanner", "&Full Screen",
                                   "A&uto Stretch", "Hide &Tool Bar", "-", "&Help"}));
  QStringList tips;
  for (int i = 0; i < 10; ++i) tips << control->ToolButton(i)->toolTip();
  EXPECT_EQ(tips, (QStringList{"Clear", "Load", "Save", "Copy", "Paste", "Screen Capture", "Print",
                               "Scan", "Full Screen", "Auto Stretch"}));
  EXPECT_EQ(control->toolTip(), "Graphical Field - Right Click to display Popup Menu");
}

TEST_F(PictureControlTest, ReadOnlyViewsButChangesNothing) {
  control->SetPicture(Picture());
  control->SetReadOnly(true);
  EXPECT_TRUE(control->isEnabled());
  for (Tool t : {kClear, kLoad, kPaste, kCapture, kScan})
    EXPECT_FALSE(control->ToolButton(t)->isEnabled()) << t;
  for (Tool t : {kSave, kCopy, kPrint, kFull, kStretch})
    EXPECT_TRUE(control->ToolButton(t)->isEnabled()) << t;
  QGuiApplication::clipboard()->setImage(Picture(5, 5));
  control->PreparePopup();
  EXPECT_FALSE(control->Clear1->isEnabled());
  EXPECT_FALSE(control->Paste1->isEnabled());
  EXPECT_FALSE(control->Capture1->isEnabled());
  control->Clear1->trigger();
  control->Paste1->trigger();
  EXPECT_TRUE(SamePixels(control->Picture(), Picture()));
}

TEST_F(PictureControlTest, CopyAndPasteThroughTheClipboard) {
  QGuiApplication::clipboard()->clear();
  control->PreparePopup();
  EXPECT_FALSE(control->Paste1->isEnabled());
  control->SetPicture(Picture(20, 10));
  Click(kCopy);
  EXPECT_TRUE(SamePixels(QGuiApplication::clipboard()->image(), Picture(20, 10)));
  TDbMultiImgControl other;
  other.PreparePopup();
  EXPECT_TRUE(other.Paste1->isEnabled());
  int changes = 0;
  QObject::connect(&other, &TMultiImgControl::Changed, [&] { ++changes; });
  other.Paste1->trigger();
  EXPECT_TRUE(SamePixels(other.Picture(), Picture(20, 10)));
  EXPECT_TRUE(other.IsChanged());
  EXPECT_EQ(changes, 1);
}

TEST_F(PictureControlTest, ScreenCaptureTakesTheDraggedRectangle) {
  QPixmap snapshot(300, 200);
  snapshot.fill(Qt::white);
  {
    QPainter p(&snapshot);
    p.fillRect(QRect(50, 40, 30, 20), Qt::red);
  }
  TScreenCaptureForm form(snapshot);
  form.show();
  QTest::mousePress(&form, Qt::LeftButton, {}, QPoint(80, 60));
  QTest::mouseMove(&form, QPoint(65, 50));
  QTest::mouseRelease(&form, Qt::LeftButton, {}, QPoint(50, 40));  // dragged up and left
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(form.SelectedRect(), QRect(50, 40, 30, 20));
  ASSERT_TRUE(control->TakeCapture(snapshot, form.SelectedRect()));
  EXPECT_EQ(control->Picture().size(), QSize(30, 20));
  EXPECT_EQ(QColor(control->Picture().pixel(15, 10)), QColor(Qt::red));
  EXPECT_TRUE(control->IsChanged());
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(PictureControlTest, ScreenCaptureOfNoAreaSaysSoAndKeepsThePicture) {
  control->SetPicture(Picture());
  QPixmap snapshot(100, 100);
  snapshot.fill(Qt::blue);
  TScreenCaptureForm form(snapshot);
  form.show();
  QTest::mousePress(&form, Qt::LeftButton, {}, QPoint(20, 20));
  QTest::mouseRelease(&form, Qt::LeftButton, {}, QPoint(20, 70));  // no width
  EXPECT_FALSE(control->TakeCapture(snapshot, form.SelectedRect()));
  EXPECT_EQ(msgs.Texts(), QStringList{"Both Width and Height of Captured Area must be > 0 !"});
  EXPECT_TRUE(SamePixels(control->Picture(), Picture()));
}

TEST_F(PictureControlTest, AutoStretchFitsThePictureKeepingItsProportions) {
  control->SetPicture(Picture(40, 20));
  EXPECT_EQ(control->ShownSize(), QSize(40, 20));
  Click(kStretch);
  EXPECT_TRUE(control->AutoStretch());
  control->PreparePopup();
  EXPECT_TRUE(control->AutoStretch1->isChecked());
  const QSize shown = control->ShownSize();
  EXPECT_GT(shown.width(), 40);
  EXPECT_NEAR(double(shown.width()) / shown.height(), 2.0, 0.05);
  EXPECT_LE(shown.width(), control->width());
  Click(kStretch);
  EXPECT_EQ(control->ShownSize(), QSize(40, 20));
}

TEST_F(PictureControlTest, PrintsAtLeastAQuarterOfThePageWide) {
  control->SetPicture(Picture(20, 10));
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const QString pdf = home.file("picture.pdf");
  printer.setOutputFileName(pdf);
  control->PrintTo(printer);
  EXPECT_GT(QFileInfo(pdf).size(), 0);
  const QSize page = printer.pageLayout().paintRectPixels(printer.resolution()).size();
  const QRect placed = PrintRect(QSize(20, 10), page);
  EXPECT_GE(placed.width(), page.width() / 4);
  EXPECT_GE(placed.height(), page.height() / 5);
}

TEST_F(PictureControlTest, FullScreenShowsThePictureUntilAKeyOrClick) {
  Click(kFull);  // no picture: nothing opens
  control->SetPicture(Picture());
  bool shown = false;
  OnNextModal<TFullScreenForm>([&](TFullScreenForm* form) {
    shown = form->isFullScreen();
    QTest::keyClick(form, Qt::Key_Escape);
  });
  Click(kFull);
  EXPECT_TRUE(shown);
}

class FakeScanner final : public images::ScannerService {
 public:
  bool Available() override { return !devices.isEmpty(); }
  QStringList Devices() override { return devices; }
  int SelectedDevice() const override { return 0; }
  void SelectDevice(int) override {}
  std::optional<QImage> Acquire() override { return next; }
  QStringList devices;
  std::optional<QImage> next;
};

TEST_F(PictureControlTest, ScanningWhenAScannerIsFound) {
  FakeScanner scanner;
  images::SetScanner(&scanner);
  control->PreparePopup();
  EXPECT_FALSE(control->Scan1->isEnabled());  // none found
  EXPECT_FALSE(control->SelectScanner1->isEnabled());
  scanner.devices = {"flatbed (Acme Scan 1)"};
  control->PreparePopup();
  EXPECT_TRUE(control->Scan1->isEnabled());
  EXPECT_TRUE(control->SelectScanner1->isEnabled());
  control->SetPicture(Picture());
  Click(kScan);  // cancelled: the picture stays
  EXPECT_TRUE(SamePixels(control->Picture(), Picture()));
  scanner.next = Picture(8, 8);
  Click(kScan);
  EXPECT_TRUE(SamePixels(control->Picture(), Picture(8, 8)));
  control->SetReadOnly(true);
  control->PreparePopup();
  EXPECT_FALSE(control->Scan1->isEnabled());
  images::SetScanner(nullptr);
}

}  // namespace
}  // namespace quillary::test
